#include "env/GuardedReadFile.h"

#include <cerrno>

#include <unistd.h>

namespace veko {

GuardedReadFile::GuardedReadFile(int fd, long size, const irr::io::path& name)
    : mFd(fd), mSize(size), mPos(0), mName(name)
{
}

GuardedReadFile::~GuardedReadFile()
{
    if (mFd >= 0)
        ::close(mFd);
}

irr::s32 GuardedReadFile::read(void* buffer, irr::u32 sizeToRead)
{
    if (mFd < 0 || mPos >= mSize)
        return 0;
    // The size was taken when the file was opened: a file that grows meanwhile is read no further.
    if (static_cast<long>(sizeToRead) > mSize - mPos)
        sizeToRead = static_cast<irr::u32>(mSize - mPos);
    irr::u32 done = 0;
    while (done < sizeToRead) {
        const ssize_t n = ::pread(mFd, static_cast<char*>(buffer) + done, sizeToRead - done, mPos + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<irr::u32>(n);
    }
    mPos += done;
    return static_cast<irr::s32>(done);
}

bool GuardedReadFile::seek(long finalPos, bool relativeMovement)
{
    const long target = relativeMovement ? mPos + finalPos : finalPos;
    if (target < 0 || target > mSize)
        return false;
    mPos = target;
    return true;
}

long GuardedReadFile::getSize() const
{
    return mSize;
}

long GuardedReadFile::getPos() const
{
    return mPos;
}

const irr::io::path& GuardedReadFile::getFileName() const
{
    return mName;
}

void GuardedReadFile::withdraw()
{
    if (mFd >= 0)
        ::close(mFd);
    mFd = -1;
    mSize = 0;
    mPos = 0;
}

} // namespace veko
