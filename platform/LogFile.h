#ifndef VEKO_LOG_FILE_H
#define VEKO_LOG_FILE_H

namespace veko {

// Opens a measuring log for writing (KAVRI_FRAME_LOG, KAVRI_SOUND_LOG), made if missing:
// appended to, or emptied first. The descriptor is not handed on to programs the process
// starts. -1 when it cannot be opened. LogFile.cpp, windows/LogFile.cpp.
enum class LogStart { APPEND, EMPTY };
int openLogFile(const char* path, LogStart start);

} // namespace veko

#endif
