#ifndef VEKO_CLOCK_SHARE_H
#define VEKO_CLOCK_SHARE_H

#include <atomic>

namespace veko {

// The show clock's latest reading, handed from the main thread to the audio thread without a
// lock. One thread writes (the loop, at every reading of the clock), any thread reads; a read
// that overlaps a write is simply tried again (a sequence lock). The audio thread extrapolates
// from the reading with the monotonic clock, so it knows the show's time between two frames.
class ClockShare {
public:
    struct Reading {
        long long showMs;      // the show clock
        long long stampMs;     // the monotonic clock when the show clock read that
        int continues;         // process continues (SIGCONT) counted when it was read
    };

    ClockShare();
    void publish(const Reading& reading);
    // False while nothing was published yet.
    bool latest(Reading* reading) const;

private:
    std::atomic<unsigned> mSequence;   // odd while a write is under way
    std::atomic<long long> mShowMs, mStampMs;
    std::atomic<int> mContinues;
};

} // namespace veko

#endif
