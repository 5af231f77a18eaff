#ifndef VEKO_GUARDED_FILE_ARCHIVE_H
#define VEKO_GUARDED_FILE_ARCHIVE_H

#include <irrlicht.h>

namespace veko {

// The engine opens every file through its file system, which asks its archives first and only
// then opens the path itself. This archive sits first and answers for every path: a file the
// file gate lets through is opened here, without blocking; a refused one (a named pipe, a
// directory, a huge file) is named on stderr once and given to the engine as an empty file, so
// the engine never opens it itself. Missing files are left to the engine, which reports them.
class GuardedFileArchive : public irr::io::IFileArchive {
public:
    // Puts the archive in front of the device's file system.
    static void install(irr::io::IFileSystem* fileSystem);

    explicit GuardedFileArchive(irr::io::IFileSystem* fileSystem);
    ~GuardedFileArchive() override;

    irr::io::IReadFile* createAndOpenFile(const irr::io::path& filename) override;
    irr::io::IReadFile* createAndOpenFile(irr::u32 index) override;
    const irr::io::IFileList* getFileList() const override;

private:
    irr::io::IFileList* mNoFiles;   // the archive lists nothing: existFile() looks on disk
};

} // namespace veko

#endif
