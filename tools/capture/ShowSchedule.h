#ifndef VEKO_SHOW_SCHEDULE_H
#define VEKO_SHOW_SCHEDULE_H

namespace veko {

// The virtual time of a show capture. The Sequencer reads the engine timer in whole
// milliseconds and adds each step to its single-precision clock; this picks the reading for
// every frame so that the clock stands at k/fps in frame k, to the nearest millisecond and
// without drift, exactly as the Sequencer will add it up.
class ShowSchedule {
public:
    // The first reading. A reading of 0 would look to the Sequencer like "no frame yet".
    static const unsigned int kTimerStart = 1000;

    explicit ShowSchedule(int fps);

    // Moves on to the next frame (the first call gives frame 0). Returns false, and stays
    // where it was, when the show clock would pass the show's end in that frame.
    bool advance();

    int frame() const { return mFrame; }
    unsigned int timerReading() const { return mReading; }
    // The show clock the Sequencer has in this frame.
    float showTime() const { return mTime; }

    // Frames in the whole show: frame 0 up to the last one before the end.
    static int frameCount(int fps);

private:
    int mFps;
    int mFrame;
    unsigned int mReading;
    float mTime;
};

} // namespace veko

#endif
