#ifndef VEKO_GUARDED_FILE_ARCHIVE_H
#define VEKO_GUARDED_FILE_ARCHIVE_H

#include <string>
#include <vector>

#include <irrlicht.h>

namespace veko {

// The engine opens every file through its file system, which asks its archives first and only
// then opens the path itself. This archive sits first and answers for every path, so the
// engine never opens a file by itself: a file the file gate lets through is read here once,
// whole, and the engine reads those bytes (GuardedReadFile); a refused one (a named pipe, a
// directory, a huge file) is named on stderr once and given as an empty file; a missing one is
// given as an empty file that says so, and named in the engine's log, which the show prints
// while the scenes load (LoadReport).
class GuardedFileArchive : public irr::io::IFileArchive {
public:
    // A material file as the model check read it, and every name the engine may open it by.
    struct CheckedFile {
        std::vector<std::string> names;
        std::string bytes;
    };

    // Puts the archive in front of the device's file system, which keeps it.
    static GuardedFileArchive* install(irr::io::IFileSystem* fileSystem, irr::ILogger* logger);

    GuardedFileArchive(irr::io::IFileSystem* fileSystem, irr::ILogger* logger);
    ~GuardedFileArchive() override;

    irr::io::IReadFile* createAndOpenFile(const irr::io::path& filename) override;
    irr::io::IReadFile* createAndOpenFile(irr::u32 index) override;
    const irr::io::IFileList* getFileList() const override;

    // While the engine loads a model that was checked, it opens the model's material files
    // again, one for each of the model's "mtllib" lines, in order. Held here, each of those
    // opens gets the bytes the check read for that line, by whichever of its names the engine
    // asks; a name of another line, out of turn, gets an empty file.
    void holdCheckedFiles(std::vector<CheckedFile> files);
    void releaseCheckedFiles();

private:
    irr::io::IReadFile* openChecked(const irr::io::path& filename);

    irr::io::IFileList* mNoFiles;   // the archive lists nothing: existFile() looks on disk
    irr::ILogger* mLogger;
    std::vector<CheckedFile> mChecked;
    size_t mNextChecked;
};

} // namespace veko

#endif
