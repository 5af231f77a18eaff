#ifndef VEKO_MUSIC_PACER_H
#define VEKO_MUSIC_PACER_H

namespace veko {
namespace sound {

// Decides, once per buffer the device asks for, how the music keeps its place on the show
// clock. It is told the lag: how many frames the show clock's music position is ahead of the
// next frame handed to the device. It never moves the show clock; it only moves the music.
//
// - The first buffer: nothing is queued anywhere yet, so the lag is exact. The music starts at
//   the show's time: skipped forward by a late start, or led by silence when it must come later.
// - A shortfall: the device asked nothing for longer than it can hold (a stalled audio thread,
//   server or machine), so it ran dry and played silence. When the lag exceeds its steady value
//   by more than one buffer plus a margin, the device has run dry. Anything smaller is jitter of
//   the callbacks and is left alone, unless it lingers: small shortfalls that add up keep the
//   smoothed lag above its target, which jitter never does.
// - Run dry, a device first fills its queue again, asking for buffers at once. What it gets
//   then is heard sooner than what it gets once full, so it gets silence until it asks at its
//   own pace again; then the music is put where the show is, at the lag it held before. It is
//   heard as far behind the picture as before the shortfall, whether the device plays what it
//   gets at once or waits until it is full (a stream's prebuffer).
// - Slow drift (a sound card whose clock runs a little off the system clock): the lag's smoothed
//   value is held at what it settled to after the start. Past a small dead band, each buffer is
//   resampled from a few frames more or fewer (4 of 2048, 0.2 %, a pitch change of 3.4 cents,
//   which no one hears), faster than a 0.1 % clock difference can pull it away.
class MusicPacer {
public:
    struct Step {
        long long skip = 0;      // music frames to drop before this buffer
        long long silence = 0;   // frames of silence before the music (the start, a put back)
        int stretch = 0;         // this buffer is made from (frames + stretch) music frames
        bool start = false;      // the first buffer of the music
        bool quiet = false;      // silence while the device fills its queue; the music waits
    };

    MusicPacer(int rate, int bufferFrames);

    // `frames` is the size of the buffer being filled; `atPace` says the device asked a
    // buffer's time after its last ask (not at once, to fill its queue; not much later).
    Step next(long long lag, int frames, bool atPace);
    // The process was stopped: the sound server played what it held meanwhile and ran dry,
    // while the show clock stood still. The music is put back as after any shortfall (after
    // silence, when the music had gone on ahead).
    void resume() { refill(); }
    // Another device plays from now on: its queue is its own, so the lag settles afresh.
    void newDevice();
    long long threshold() const { return mThreshold; }

private:
    Step refill();
    Step putBack(long long lag, bool atPace);

    int mRate;
    long long mThreshold;   // a shortfall beyond this is a real one
    bool mStarted;
    bool mSettled;          // the target is known
    bool mRefilling;        // run dry: the device is filling its queue again
    int mPacedAsks;         // asks in a row at the device's pace while it refills
    int mRefillAsks;        // asks since it ran dry
    double mSmoothed;       // the lag, smoothed over about a second of buffers
    double mTarget;         // what the smoothed lag settled to
    int mBuffers;           // buffers since the music was last put in place
};

} // namespace sound
} // namespace veko

#endif
