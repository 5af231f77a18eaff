#include "platform/FrameLog.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

namespace veko {

FrameLog::FrameLog() : mFd(-1)
{
    const char* path = std::getenv("KAVRI_FRAME_LOG");
    if (path && *path)
        mFd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

FrameLog::~FrameLog()
{
    if (mFd >= 0)
        ::close(mFd);
}

void FrameLog::presented(float showSeconds)
{
    if (mFd < 0)
        return;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[64];
    const int length = std::snprintf(line, sizeof line, "%lld %.6f\n",
                                      static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000, showSeconds);
    if (length > 0 && ::write(mFd, line, static_cast<size_t>(length)) < 0) {
        ::close(mFd);   // a log that cannot be written is given up, the show goes on
        mFd = -1;
    }
}

} // namespace veko
