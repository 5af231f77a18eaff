#include "tools/capture/MemoryWriteFile.h"

#include <cstring>

namespace veko {

MemoryWriteFile::MemoryWriteFile(const irr::io::path& name) : mName(name), mPos(0)
{
}

irr::s32 MemoryWriteFile::write(const void* buffer, irr::u32 sizeToWrite)
{
    if (mPos + sizeToWrite > mBytes.size())
        mBytes.resize(mPos + sizeToWrite);
    std::memcpy(mBytes.data() + mPos, buffer, sizeToWrite);
    mPos += sizeToWrite;
    return static_cast<irr::s32>(sizeToWrite);
}

bool MemoryWriteFile::seek(long finalPos, bool relativeMovement)
{
    const long target = relativeMovement ? static_cast<long>(mPos) + finalPos : finalPos;
    if (target < 0)
        return false;
    mPos = static_cast<size_t>(target);
    return true;
}

long MemoryWriteFile::getPos() const
{
    return static_cast<long>(mPos);
}

const irr::io::path& MemoryWriteFile::getFileName() const
{
    return mName;
}

} // namespace veko
