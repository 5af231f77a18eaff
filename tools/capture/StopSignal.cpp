#include "tools/capture/StopSignal.h"

#include <time.h>

#include <csignal>
#include <cstring>
#include <initializer_list>

namespace veko {

namespace {

volatile std::sig_atomic_t sReceived = 0;
volatile std::sig_atomic_t sCount = 0;
timespec sFirstAt;   // written once, by the first signal's handler, before sReceived

// Kept from the budget for what follows the waiting: ending ffmpeg if it must be ended
// (150 ms of grace after SIGTERM), letting the scenes go (about 100 ms measured), and room
// for a busy machine.
const std::chrono::milliseconds kTeardownReserve{ 500 };

void note(int signal)
{
    // The first signal counts; a second one only cuts the waiting short.
    if (sReceived == 0) {
        clock_gettime(CLOCK_MONOTONIC, &sFirstAt);
        sReceived = signal;
    }
    sCount = sCount + 1;
}

} // namespace

constexpr std::chrono::milliseconds StopSignal::kStopBudget;

void StopSignal::install()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = note;
    sigemptyset(&action.sa_mask);
    for (const int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaction(signal, &action, nullptr);
}

int StopSignal::received()
{
    return sReceived;
}

std::chrono::steady_clock::time_point StopSignal::deadline()
{
    typedef std::chrono::steady_clock Clock;
    if (sReceived == 0)
        return Clock::time_point::max();
    if (sCount > 1)
        return Clock::now();
    // steady_clock is CLOCK_MONOTONIC on Linux.
    const Clock::time_point first(std::chrono::seconds(sFirstAt.tv_sec) + std::chrono::nanoseconds(sFirstAt.tv_nsec));
    return first + kStopBudget - kTeardownReserve;
}

const char* StopSignal::name(int signal)
{
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
    }
}

} // namespace veko
