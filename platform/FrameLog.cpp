#include "platform/FrameLog.h"

#include "platform/LogFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace veko {

FrameLog::FrameLog() : mFd(-1)
{
    const char* path = std::getenv("KAVRI_FRAME_LOG");
    if (path && *path)
        mFd = openLogFile(path, LogStart::EMPTY);
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
    // The steady clock is CLOCK_MONOTONIC on Linux, in microseconds.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const long long micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    char line[64];
    const int length = std::snprintf(line, sizeof line, "%lld %.6f\n", micros, showSeconds);
    if (length > 0 && ::write(mFd, line, static_cast<size_t>(length)) < 0) {
        ::close(mFd);   // a log that cannot be written is given up, the show goes on
        mFd = -1;
    }
}

} // namespace veko
