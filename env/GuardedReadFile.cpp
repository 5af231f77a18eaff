#include "env/GuardedReadFile.h"

#include <cstring>
#include <utility>

namespace veko {

GuardedReadFile::GuardedReadFile(std::string bytes, const irr::io::path& name, bool missing)
    : mBytes(std::move(bytes)), mPos(0), mName(name), mMissing(missing)
{
}

irr::s32 GuardedReadFile::read(void* buffer, irr::u32 sizeToRead)
{
    const long left = getSize() - mPos;
    if (left <= 0)
        return 0;
    if (static_cast<long>(sizeToRead) > left)
        sizeToRead = static_cast<irr::u32>(left);
    std::memcpy(buffer, mBytes.data() + mPos, sizeToRead);
    mPos += sizeToRead;
    return static_cast<irr::s32>(sizeToRead);
}

bool GuardedReadFile::seek(long finalPos, bool relativeMovement)
{
    // Some of the engine's loaders seek before the start of a file that is too short: refused.
    const long target = relativeMovement ? mPos + finalPos : finalPos;
    if (target < 0 || target > getSize())
        return false;
    mPos = target;
    return true;
}

long GuardedReadFile::getSize() const
{
    return static_cast<long>(mBytes.size());
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
    mBytes = std::string();
    mPos = 0;
}

} // namespace veko
