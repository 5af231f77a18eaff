#include "platform/ShowClock.h"

#include <atomic>
#include <csignal>
#include <ctime>

#ifdef _WIN32
#include <windows.h>
#endif

namespace veko {

namespace {

// Lock-free, so the signal handler may count and the audio thread may read it.
std::atomic<int> sContinues(0);

#ifdef _WIN32
// A process is not stopped and continued on Windows; the show's window notes the machine's
// waking from sleep instead.
void catchContinue()
{
}
#else
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
#endif

} // namespace

long long ShowClock::monotonicMilliseconds()
{
#ifdef _WIN32
    static const long long frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<long long>(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart / frequency * 1000 + counter.QuadPart % frequency * 1000 / frequency;
#else
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#endif
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
