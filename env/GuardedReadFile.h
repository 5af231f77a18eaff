#ifndef VEKO_GUARDED_READ_FILE_H
#define VEKO_GUARDED_READ_FILE_H

#include <string>

#include <irrlicht.h>

namespace veko {

// A data file as the file gate read it, handed to the engine in place of its own file reader:
// every loader reads these bytes, whatever becomes of the file on disk meanwhile. A file the
// gate found missing is an empty one that says so. A loader that finds the content unfit can
// withdraw it: from then on it reads as empty, so no other loader of the engine gets to try it.
class GuardedReadFile : public irr::io::IReadFile {
public:
    GuardedReadFile(std::string bytes, const irr::io::path& name, bool missing = false);

    irr::s32 read(void* buffer, irr::u32 sizeToRead) override;
    bool seek(long finalPos, bool relativeMovement = false) override;
    long getSize() const override;
    long getPos() const override;
    const irr::io::path& getFileName() const override;

    bool missing() const { return mMissing; }
    void withdraw();

private:
    std::string mBytes;
    long mPos;
    irr::io::path mName;
    bool mMissing;
};

} // namespace veko

#endif
