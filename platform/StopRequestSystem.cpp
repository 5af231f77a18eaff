// SPDX-License-Identifier: MIT
#include "platform/StopRequestSystem.h"

#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "platform/ProcessEnd.h"
#include "platform/StopRequest.h"

namespace veko {

namespace {

// Each request writes a byte here, which wakes the watch (a signal handler may do no more).
int sWake[2] = { -1, -1 };
int sExitCode = 0;

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

} // namespace

void startStopWatch(int exitCode)
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

void wakeStopWatch()
{
    if (sWake[1] < 0)
        return;
    const int saved = errno;
    const char byte = 1;
    (void)!write(sWake[1], &byte, 1);
    errno = saved;
}

// A closed terminal (SIGHUP).
void listenForSystemStops()
{
    std::signal(SIGHUP, requestStop);
}

} // namespace veko
