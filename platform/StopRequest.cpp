// SPDX-License-Identifier: MIT
#include "platform/StopRequest.h"

#include <csignal>

#include "platform/StopRequestSystem.h"

namespace veko {

namespace {

volatile std::sig_atomic_t sStopRequested = 0;

} // namespace

void requestStop(int)
{
    sStopRequested = 1;
    wakeStopWatch();
}

void listenForStopRequests(int exitCode)
{
    startStopWatch(exitCode);
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    listenForSystemStops();
}

bool stopRequested()
{
    return sStopRequested != 0;
}

} // namespace veko
