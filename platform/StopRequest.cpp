// SPDX-License-Identifier: MIT
#include "platform/StopRequest.h"

#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace veko {

namespace {

volatile std::sig_atomic_t sStopRequested = 0;

void requestStop(int)
{
    sStopRequested = 1;
}

#ifdef _WIN32
// A console the show was started from: Ctrl+C, Ctrl+Break, its window closed, a logout.
BOOL WINAPI consoleEvent(DWORD)
{
    sStopRequested = 1;
    return TRUE;
}
#endif

} // namespace

void listenForStopRequests()
{
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
#ifdef _WIN32
    SetConsoleCtrlHandler(consoleEvent, TRUE);
#else
    std::signal(SIGHUP, requestStop);
#endif
}

bool stopRequested()
{
    return sStopRequested != 0;
}

} // namespace veko
