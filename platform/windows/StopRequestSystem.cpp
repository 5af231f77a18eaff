// SPDX-License-Identifier: MIT
#include "platform/StopRequestSystem.h"

#include <windows.h>

namespace veko {

namespace {

// A console the show was started from: Ctrl+C, Ctrl+Break, its window closed, a logout.
BOOL WINAPI consoleEvent(DWORD)
{
    requestStop(0);
    return TRUE;
}

} // namespace

// Windows has no display server to hang on: the show's loop sees every request itself.
void startStopWatch(int)
{
}

void wakeStopWatch()
{
}

void listenForSystemStops()
{
    SetConsoleCtrlHandler(consoleEvent, TRUE);
}

} // namespace veko
