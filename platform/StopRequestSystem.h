// SPDX-License-Identifier: MIT
#ifndef VEKO_STOP_REQUEST_SYSTEM_H
#define VEKO_STOP_REQUEST_SYSTEM_H

// What StopRequest.cpp asks of each system (StopRequestSystem.cpp, windows/StopRequestSystem.cpp).
namespace veko {

// Notes a stop request and wakes the watch; safe in a signal handler.
void requestStop(int);

// Starts the watch that ends the process with exitCode when a request is not carried out in
// time (kStopGraceMs), or at a second request.
void startStopWatch(int exitCode);
// Wakes that watch; called from a signal handler, so it does no more than a write.
void wakeStopWatch();

// The system's own ways of asking a program to stop, besides SIGINT and SIGTERM.
void listenForSystemStops();

} // namespace veko

#endif
