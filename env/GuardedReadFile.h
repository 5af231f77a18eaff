#ifndef VEKO_GUARDED_READ_FILE_H
#define VEKO_GUARDED_READ_FILE_H

#include <irrlicht.h>

namespace veko {

// A data file the show may read, opened by the file gate and handed to the engine in place of
// its own file reader. A loader that finds the content unfit can withdraw it: from then on it
// reads as empty, so no other loader of the engine gets to try it.
class GuardedReadFile : public irr::io::IReadFile {
public:
    GuardedReadFile(int fd, long size, const irr::io::path& name);
    ~GuardedReadFile() override;

    irr::s32 read(void* buffer, irr::u32 sizeToRead) override;
    bool seek(long finalPos, bool relativeMovement = false) override;
    long getSize() const override;
    long getPos() const override;
    const irr::io::path& getFileName() const override;

    void withdraw();

private:
    int mFd;
    long mSize;
    long mPos;
    irr::io::path mName;
};

} // namespace veko

#endif
