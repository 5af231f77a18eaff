#include "platform/ShowClock.h"

#include <csignal>
#include <ctime>

namespace veko {

namespace {

volatile std::sig_atomic_t sContinues = 0;

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
    sContinues = sContinues + 1;
}

ShowClock::ShowClock(Source source)
    : mSource(source), mLastReading(source()), mCounted(0), mContinuesSeen(sContinues)
{
    catchContinue();
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
    return static_cast<unsigned int>(mCounted);
}

} // namespace veko
