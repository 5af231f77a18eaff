#include "platform/ShowClock.h"

#include <atomic>
#include <csignal>
#include <ctime>

namespace veko {

namespace {

// Lock-free, so the signal handler may count and the audio thread may read it.
std::atomic<int> sContinues(0);

void onContinue(int)
{
    ShowClock::noteContinued();
}

void catchContinue()
{
    struct sigaction action = {};
    action.sa_handler = onContinue;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGCONT, &action, nullptr);
}

} // namespace

long long ShowClock::monotonicMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

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
