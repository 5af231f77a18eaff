// SPDX-License-Identifier: MIT
#ifndef VEKO_STOP_REQUEST_H
#define VEKO_STOP_REQUEST_H

namespace veko {

// Ctrl+C, a closed terminal, a logout or a plain kill end the show like a closed window:
// through the teardown, so that the display mode and the audio device are given back.
// listenForStopRequests() starts listening; stopRequested() tells whether one came.
//
// The teardown waits for the X server, and so may every frame: a display that stops
// answering (a hung remote link or VNC server) would hold the show forever. So a request
// that is not carried out within kStopGraceMs, or a second one, ends the process at once
// with exitCode (endProcess, which gives the display mode back as far as the server lets it).
const unsigned int kStopGraceMs = 1000;
void listenForStopRequests(int exitCode);
bool stopRequested();

} // namespace veko

#endif
