#include "env/GuardedFileArchive.h"

#include "env/GuardedReadFile.h"
#include "platform/FileGate.h"
#include "platform/Report.h"

using namespace irr;

namespace veko {

void GuardedFileArchive::install(io::IFileSystem* fileSystem)
{
    // The file system takes over the reference: it drops its archives when it goes.
    fileSystem->addFileArchive(new GuardedFileArchive(fileSystem));
}

GuardedFileArchive::GuardedFileArchive(io::IFileSystem* fileSystem)
    : mNoFiles(fileSystem->createEmptyFileList("", false, false))
{
}

GuardedFileArchive::~GuardedFileArchive()
{
    mNoFiles->drop();
}

io::IReadFile* GuardedFileArchive::createAndOpenFile(const io::path& filename)
{
    const std::string name = filename.c_str();
    int fd = -1;
    long long size = 0;
    std::string why;
    switch (FileGate::open(name, &fd, &size, &why)) {
    case FileGate::OPENED:
        return new GuardedReadFile(fd, static_cast<long>(size), filename);
    case FileGate::MISSING:
        return nullptr;
    case FileGate::REFUSED:
        break;
    }
    reportFile(name, "the file \"" + name + "\" is left out: " + why);
    // An empty file in its place. Not the engine's memory file: some of the engine's loaders
    // seek before the start of a file that short, which only a file of ours refuses.
    return new GuardedReadFile(-1, 0, filename);
}

io::IReadFile* GuardedFileArchive::createAndOpenFile(u32)
{
    return nullptr;
}

const io::IFileList* GuardedFileArchive::getFileList() const
{
    return mNoFiles;
}

} // namespace veko
