#ifndef VEKO_SOUND_LIBRARY_H
#define VEKO_SOUND_LIBRARY_H

#include <atomic>
#include <string>
#include <vector>

// A small sound library with the shape the show needs: one system with a few channels,
// files opened as (looping) streams and played on a free channel. It feeds an SDL audio device
// from its callback; each stream is an Ogg Vorbis file decoded while it plays, so nothing is
// loaded whole.

namespace veko {

class ClockShare;

namespace sound {

class OggStream;
class MusicPacer;

enum Result {
    OK,
    ERR_INITIALIZATION,   // no audio device, or the system is not initialised
    ERR_FILE_NOTFOUND,
    ERR_FILE_REFUSED,     // there, but not a file the show reads (a pipe, a directory): see why()
    ERR_FORMAT,           // the file is there but cannot be decoded
    ERR_INVALID_PARAM
};

typedef unsigned int Mode;
const Mode LOOP_NORMAL = 0x2;
const Mode MODE_2D     = 0x8;
const Mode HARDWARE    = 0x20;

const unsigned int INIT_NORMAL = 0;
const int CHANNEL_FREE = -1;

class System;

class Sound {
public:
    Result release();

private:
    friend class System;
    friend class Channel;
    Sound(System* system, OggStream* stream);
    ~Sound();

    System* mSystem;
    OggStream* mStream;
};

class Channel {
public:
    bool isPlaying() const;

private:
    friend class System;
    Channel();

    System* mSystem;
    Sound* mSound;
};

class System {
public:
    Result init(int maxChannels, unsigned int flags, void* extraDriverData);
    // The file name may use '\' or '/' as separator.
    Result createStream(const char* name, Mode mode, void* exinfo, Sound** sound);
    Result playSound(int channelIndex, Sound* sound, bool paused, Channel** channel);
    Result close();
    Result release();

    // From now on the music keeps its place on this clock, whose zero is the moment the music
    // was asked to start: what the device missed is skipped, slow drift is made up. A positive
    // offset makes the sound come that many milliseconds later. Without a clock the music plays
    // on from wherever the device is, as a plain player does.
    void follow(const ClockShare* clock, int offsetMs);

    // Many devices start late: a PulseAudio null sink takes a new stream's second buffer only
    // at its next tick, up to 2 s on, and whatever the show started meanwhile would be lost.
    // After this call (with follow, before playSound) the music waits in silence for the device
    // to really play, and begins from its first frame in the next buffer it asks for. The show
    // holds its first frame until begun() gives it that moment as the show clock's zero, or gives
    // up with beginNow(), which returns the zero to use (the music then starts from the clock,
    // as follow says).
    void beginWhenPlaying();
    bool begun(long long* zeroMs) const;
    long long beginNow();

    // Called once a frame: a device that SDL lost (its sound server was restarted or went
    // away) is opened again, the music at its place on the clock, with one line saying so;
    // when none opens within a few seconds the show goes on silent.
    void keepDevice();

    bool isOpen() const { return mOpen; }
    // Why the last createStream failed, in words for a message ("it is a named pipe, not a file").
    const char* why() const { return mWhy.c_str(); }

private:
    friend Result System_Create(System** system);
    friend class Sound;
    friend class Channel;
    System();
    ~System();
    void forget(Sound* sound);
    void play(Sound* sound, bool paused);
    // The device asks for its next buffer (on the audio thread).
    static void feed(void* feeder, unsigned char* out, int bytes);
    void feedNow(unsigned char* out, int bytes);
    void noteTheDevicesPace();
    bool openDevice(bool sameFormat);
    bool closeDevice(bool quitAudio);
    void feedInPlace(OggStream* stream, unsigned char* out, int bytes);
    bool lag(long long* frames);
    void skip(OggStream* stream, long long frames);
    void stretchInto(OggStream* stream, unsigned char* out, int frames, int stretch);
    void note(const char* format, long long value) const;

    struct Feeder;          // what SDL's callback gets: a device let go of no longer reaches the system
    bool mOpen;
    unsigned int mDevice;
    Feeder* mFeeder;
    int mRate, mChannels;   // what the device plays
    std::string mWhy;
    Channel mChannel;       // streams play on the one channel
    Sound* mPlaying;        // what the device is fed from; changed only with the device locked
    bool mPaused;

    // Keeping the music on the show clock (see follow); used on the audio thread only.
    const ClockShare* mClock;
    int mOffsetMs;
    int mBufferFrames;
    MusicPacer* mPacer;
    long long mPosition;            // the music position of the next music frame handed to the device
    long long mQuiet;               // frames of silence to hand before it
    int mContinuesSeen;             // process continues the music was last put in place for
    std::vector<short> mScratch;    // a buffer and a bit, decoded ahead for a skip or a stretch
    int mLogFd;                     // KAVRI_SOUND_LOG: each skip, one line; -1 when not asked for

    // The music's beginning (see beginWhenPlaying).
    enum Start { AT_ONCE, WAITING, BEGUN };
    std::atomic<int> mStart;
    std::atomic<long long> mZeroMs;   // the show clock's zero; readings stamped before it are stale
    long long mWaitFromMs;            // when the music was set to wait for the device
    std::atomic<long long> mLastFeedMs;   // when the device last asked (audio thread)
    int mSteadyAsks;                  // times in a row it asked at its pace
    bool mDevicePlays;                // it asks at its pace: it takes what it is given
    bool mAtPace;                     // its last ask came a buffer's time after the one before

    // A lost device (see keepDevice); main thread.
    long long mLostAtMs, mNextTryMs;
    unsigned long long mServer;       // the server the device was opened on, where it can be told
    mutable long long mNextLookMs;    // when the server is looked at next
    bool deviceLost() const;
};

Result System_Create(System** system);

// Turns a relative Windows path ("..\data\x.ogg") into one this system opens.
void toNativePath(const char* name, char* out, unsigned long outSize);

} // namespace sound
} // namespace veko

#endif
