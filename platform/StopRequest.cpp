// SPDX-License-Identifier: MIT
#include "platform/StopRequest.h"

#include "platform/ProcessEnd.h"

#include <cerrno>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <thread>
#endif

namespace veko {

namespace {

volatile std::sig_atomic_t sStopRequested = 0;

#ifndef _WIN32
// Each request writes a byte here, which wakes the watch (a signal handler may do no more).
int sWake[2] = { -1, -1 };
int sExitCode = 0;
#endif

void requestStop(int)
{
    sStopRequested = 1;
#ifndef _WIN32
    if (sWake[1] >= 0) {
        const int saved = errno;
        const char byte = 1;
        (void)!write(sWake[1], &byte, 1);
        errno = saved;
    }
#endif
}

#ifdef _WIN32
// A console the show was started from: Ctrl+C, Ctrl+Break, its window closed, a logout.
BOOL WINAPI consoleEvent(DWORD)
{
    sStopRequested = 1;
    return TRUE;
}
#else
bool nextRequest(int timeoutMs)
{
    pollfd wake = { sWake[0], POLLIN, 0 };
    int ready;
    do
        ready = poll(&wake, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    char byte;
    return ready > 0 && read(sWake[0], &byte, 1) == 1;
}

// A thread of its own, since the main thread may be the one that waits for the X server.
void watchRequests()
{
    while (!nextRequest(-1)) {
    }
    nextRequest(static_cast<int>(kStopGraceMs));   // the teardown's time, or a second request
    endProcess(sExitCode);
}

void startWatch(int exitCode)
{
    if (sWake[0] >= 0)
        return;
    if (pipe2(sWake, O_CLOEXEC) != 0) {
        sWake[0] = sWake[1] = -1;
        return;
    }
    fcntl(sWake[1], F_SETFL, O_NONBLOCK);   // a handler never waits
    sExitCode = exitCode;
    std::thread(watchRequests).detach();
}
#endif

} // namespace

void listenForStopRequests(int exitCode)
{
#ifndef _WIN32
    startWatch(exitCode);
#else
    (void)exitCode;
#endif
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
