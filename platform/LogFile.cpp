#include "platform/LogFile.h"

#include <fcntl.h>

namespace veko {

int openLogFile(const char* path, LogStart start)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (start == LogStart::APPEND ? O_APPEND : O_TRUNC);
    return ::open(path, flags, 0644);
}

} // namespace veko
