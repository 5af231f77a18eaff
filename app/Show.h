#ifndef VEKO_SHOW_H
#define VEKO_SHOW_H

#include "app/ShowCommandLine.h"

namespace veko {

// The whole show: start-up, the frame loop and, after Escape or a closed window, the teardown.
// Returns the process exit code. At the end of the timetable the process ends from inside a
// frame instead (see Sequencer::frame).
int runShow(const ShowOptions& options = ShowOptions());

} // namespace veko

#endif
