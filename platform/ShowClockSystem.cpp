#include "platform/ShowClockSystem.h"

#include "platform/ShowClock.h"

#include <csignal>
#include <ctime>

namespace veko {

namespace {

void onContinue(int)
{
    ShowClock::noteContinued();
}

} // namespace

void catchContinue()
{
    struct sigaction action = {};
    action.sa_handler = onContinue;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGCONT, &action, nullptr);
}

long long ShowClock::monotonicMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace veko
