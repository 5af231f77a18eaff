#ifndef VEKO_MEMORY_WRITE_FILE_H
#define VEKO_MEMORY_WRITE_FILE_H

#include <cstdint>
#include <vector>

#include <irrlicht.h>

namespace veko {

// An engine write file that grows in memory, so that an image writer's output can be put on
// the disk in one go, with the system's own word when that fails. The engine picks the
// image writer by the name's extension.
class MemoryWriteFile : public irr::io::IWriteFile {
public:
    explicit MemoryWriteFile(const irr::io::path& name);

    irr::s32 write(const void* buffer, irr::u32 sizeToWrite) override;
    bool seek(long finalPos, bool relativeMovement = false) override;
    long getPos() const override;
    const irr::io::path& getFileName() const override;

    const std::vector<std::uint8_t>& bytes() const { return mBytes; }

private:
    irr::io::path mName;
    std::vector<std::uint8_t> mBytes;
    size_t mPos;
};

} // namespace veko

#endif
