#ifndef VEKO_PROCESS_END_H
#define VEKO_PROCESS_END_H

namespace veko {

// Ends the process at once with the given exit code: no destructors, no teardown.
// The desktop's display mode is switched back first, since the engine only does that
// when its device is dropped.
void endProcess(int exitCode);

// Tests and tools replace the end with their own handler; it returns the previous one.
// A handler that returns lets the caller carry on, so callers return right after endProcess.
typedef void (*ProcessEndHandler)(int exitCode);
ProcessEndHandler setProcessEndHandler(ProcessEndHandler handler);

} // namespace veko

#endif
