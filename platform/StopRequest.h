// SPDX-License-Identifier: MIT
#ifndef VEKO_STOP_REQUEST_H
#define VEKO_STOP_REQUEST_H

namespace veko {

// Ctrl+C, a closed terminal, a logout or a plain kill end the show like a closed window:
// through the teardown, so that the display mode and the audio device are given back.
// listenForStopRequests() starts listening; stopRequested() tells whether one came.
void listenForStopRequests();
bool stopRequested();

} // namespace veko

#endif
