#include "platform/ShowClock.h"

#include "platform/ShowClockSystem.h"

#include <atomic>

namespace veko {

namespace {

// Lock-free, so the signal handler may count and the audio thread may read it.
std::atomic<int> sContinues(0);

} // namespace

void ShowClock::noteContinued()
{
    sContinues.fetch_add(1);
}

int ShowClock::continuesSoFar()
{
    return sContinues;
}

ShowClock::ShowClock(Source source)
    : mSource(source), mLastReading(source()), mCounted(0), mContinuesSeen(sContinues)
{
    catchContinue();
    mShare.publish({mCounted, mLastReading, mContinuesSeen});
}

void ShowClock::startedAt(long long zeroMs)
{
    mLastReading = mSource();
    mCounted = mLastReading > zeroMs ? mLastReading - zeroMs : 0;
    mContinuesSeen = sContinues;
    mShare.publish({mCounted, mLastReading, mContinuesSeen});
}

unsigned int ShowClock::milliseconds()
{
    const long long now = mSource();
    const int continues = sContinues;
    // A continue since the last reading means the process stood still for most of the gap
    // (the loop reads the clock every few milliseconds otherwise): the gap is not counted.
    if (continues == mContinuesSeen) {
        if (now > mLastReading)
            mCounted += now - mLastReading;
        mLastReading = now;
    } else {
        // A fresh reading: the stop may have fallen after the one above.
        mContinuesSeen = continues;
        mLastReading = mSource();
    }
    mShare.publish({mCounted, mLastReading, mContinuesSeen});
    return static_cast<unsigned int>(mCounted);
}

} // namespace veko
