#include "env/GuardedFileArchive.h"

#include <algorithm>
#include <utility>

#include "env/GuardedReadFile.h"
#include "platform/FileGate.h"
#include "platform/Report.h"

using namespace irr;

namespace veko {

GuardedFileArchive* GuardedFileArchive::install(io::IFileSystem* fileSystem, ILogger* logger)
{
    // The file system takes over the reference: it drops its archives when it goes.
    GuardedFileArchive* archive = new GuardedFileArchive(fileSystem, logger);
    fileSystem->addFileArchive(archive);
    return archive;
}

GuardedFileArchive::GuardedFileArchive(io::IFileSystem* fileSystem, ILogger* logger)
    : mNoFiles(fileSystem->createEmptyFileList("", false, false)), mLogger(logger), mNextChecked(0)
{
}

GuardedFileArchive::~GuardedFileArchive()
{
    mNoFiles->drop();
}

io::IReadFile* GuardedFileArchive::createAndOpenFile(const io::path& filename)
{
    if (io::IReadFile* checked = openChecked(filename))
        return checked;
    const std::string name = filename.c_str();
    std::string bytes;
    std::string why;
    switch (FileGate::read(name, &bytes, &why)) {
    case FileGate::OPENED:
        return new GuardedReadFile(std::move(bytes), filename);
    case FileGate::MISSING:
        // In the log, as the engine says it of a file it cannot open: said while the scenes
        // load, not when there is no data folder at all (and that was said once already).
        if (mLogger)
            mLogger->log("the file is missing", name.c_str(), ELL_WARNING);
        return new GuardedReadFile(std::string(), filename, true);
    case FileGate::REFUSED:
        break;
    }
    reportFile(name, "the file \"" + name + "\" is left out: " + why);
    // An empty file in its place. Not the engine's memory file: some of the engine's loaders
    // seek before the start of a file that short, which only a file of ours refuses.
    return new GuardedReadFile(std::string(), filename);
}

io::IReadFile* GuardedFileArchive::openChecked(const io::path& filename)
{
    const std::string name = filename.c_str();
    const auto named = [&name](const CheckedFile& file) {
        return std::find(file.names.begin(), file.names.end(), name) != file.names.end();
    };
    if (mNextChecked < mChecked.size() && named(mChecked[mNextChecked]))
        return new GuardedReadFile(mChecked[mNextChecked++].bytes, filename);
    if (std::any_of(mChecked.begin(), mChecked.end(), named))
        return new GuardedReadFile(std::string(), filename);
    return nullptr;
}

void GuardedFileArchive::holdCheckedFiles(std::vector<CheckedFile> files)
{
    mChecked = std::move(files);
    mNextChecked = 0;
}

void GuardedFileArchive::releaseCheckedFiles()
{
    mChecked.clear();
    mNextChecked = 0;
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
