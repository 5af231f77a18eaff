// SPDX-License-Identifier: MIT
#include "platform/LogFile.h"

#include <fcntl.h>

namespace veko {

// A program started from this one inherits a descriptor only when it is started so, and the
// show starts none.
int openLogFile(const char* path, LogStart start)
{
    const int flags = O_WRONLY | O_CREAT | (start == LogStart::APPEND ? O_APPEND : O_TRUNC);
    return ::open(path, flags, 0644);
}

} // namespace veko
