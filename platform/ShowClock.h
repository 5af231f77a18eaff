#ifndef VEKO_SHOW_CLOCK_H
#define VEKO_SHOW_CLOCK_H

#include "platform/ClockShare.h"

namespace veko {

// Milliseconds since the show started, as the picture should see them. It counts the
// system's monotonic clock, which a change of the wall clock does not move and which stands
// still while the machine is suspended. Time the process spends stopped (Ctrl+Z, SIGSTOP)
// is left out too: the music stops with the process, so the picture must wait for it.
class ShowClock {
public:
    typedef long long (*Source)();   // a monotonic reading in milliseconds

    explicit ShowClock(Source source = monotonicMilliseconds);

    // The show started at this monotonic time, a moment before now (when the sound device took
    // the music's first frame): the clock counts from there.
    void startedAt(long long zeroMs);

    // Call often (once a pass of the loop): a stop is noticed at the first reading after it.
    unsigned int milliseconds();

    // What the SIGCONT handler calls; tests call it to play a stop.
    static void noteContinued();
    static int continuesSoFar();
    static long long monotonicMilliseconds();

    // Every reading, with the monotonic time it was taken at, for the audio thread.
    const ClockShare& share() const { return mShare; }

private:
    Source mSource;
    long long mLastReading;
    long long mCounted;
    int mContinuesSeen;
    ClockShare mShare;
};

} // namespace veko

#endif
