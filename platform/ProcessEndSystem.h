#ifndef VEKO_PROCESS_END_SYSTEM_H
#define VEKO_PROCESS_END_SYSTEM_H

namespace veko {

// The system's part of ProcessEnd.cpp (ProcessEndSystem.cpp, windows/ProcessEndSystem.cpp):
// ends the process with this exit code, running no destructors and no exit handlers.
[[noreturn]] void exitAtOnce(int exitCode);

} // namespace veko

#endif
