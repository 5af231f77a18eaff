#include "tools/capture/StopSignal.h"

#include <time.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <initializer_list>

namespace veko {

namespace {

// Lock-free atomics: safe in a handler, and seen by the main thread whichever thread of the
// process (the renderer's, the sound's) the signal was delivered to.
std::atomic<int> sReceived(0);
std::atomic<int> sCount(0);
std::atomic<long long> sFirstAt(0);   // CLOCK_MONOTONIC nanoseconds, before sReceived is set
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<long long>::is_always_lock_free,
              "the stop handler needs lock-free atomics");

// Kept from the budget for what follows the waiting: ending ffmpeg if it must be ended
// (150 ms of grace after SIGTERM), letting the scenes go (about 100 ms measured), and room
// for a busy machine.
const std::chrono::milliseconds kTeardownReserve{ 500 };

void note(int signal)
{
    // The first signal counts; a second one only cuts the waiting short.
    if (sReceived.load() == 0) {
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        sFirstAt.store(static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        sReceived.store(signal);
    }
    sCount.fetch_add(1);
}

} // namespace

constexpr std::chrono::milliseconds StopSignal::kStopBudget;

void StopSignal::install()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = note;
    // One handler at a time: the three are held while one runs.
    sigemptyset(&action.sa_mask);
    for (const int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaddset(&action.sa_mask, signal);
    // A SIGHUP ignored by whoever started the capture (nohup, a shell's "trap '' HUP") stays
    // ignored: logging out must not stop a capture that was meant to outlive it.
    struct sigaction inherited;
    for (const int signal : { SIGINT, SIGTERM, SIGHUP })
        if (signal != SIGHUP || sigaction(signal, nullptr, &inherited) != 0 || inherited.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
}

int StopSignal::received()
{
    return sReceived.load();
}

std::chrono::steady_clock::time_point StopSignal::deadline()
{
    typedef std::chrono::steady_clock Clock;
    if (sReceived.load() == 0)
        return Clock::time_point::max();
    if (sCount.load() > 1)
        return Clock::now();
    // steady_clock is CLOCK_MONOTONIC on Linux.
    const Clock::time_point first{ std::chrono::nanoseconds(sFirstAt.load()) };
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
