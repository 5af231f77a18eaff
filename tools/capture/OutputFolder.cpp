#include "tools/capture/OutputFolder.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tools/capture/DataFiles.h"

namespace veko {

namespace {

bool failWith(std::string& error, const std::string& message)
{
    error = message;
    return false;
}

std::string randomPart()
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[8] = {};
    if (getrandom(bytes, sizeof bytes, 0) != sizeof bytes) {
        const unsigned long mix = static_cast<unsigned long>(getpid()) * 2654435761u ^ static_cast<unsigned long>(clock());
        std::memcpy(bytes, &mix, sizeof mix < sizeof bytes ? sizeof mix : sizeof bytes);
    }
    std::string part;
    for (unsigned char byte : bytes)
        part += kLetters[byte % (sizeof kLetters - 1)];
    return part;
}

} // namespace

OutputFolder::OutputFolder() : mFd(-1), mRefused(false)
{
}

OutputFolder::~OutputFolder()
{
    if (mFd >= 0)
        close(mFd);
}

bool OutputFolder::open(const std::string& path, const DataFiles& data, bool make, std::string& error)
{
    mPath = path;
    const std::string what = "the folder \"" + path + "\"";
    // From the root down, one folder at a time, links followed as the path's user meant them;
    // a folder is made only in a folder that was looked at first.
    int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const std::filesystem::path& part : std::filesystem::path(path).relative_path()) {
        const std::string name = part.string();
        if (fd < 0 || name.empty() || name == ".")
            continue;
        int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && make) {
            const std::string inData = data.folderHolding(fd);
            if (!inData.empty()) {
                close(fd);
                mRefused = true;
                return failWith(error, "\"" + path + "\" is in the show's data folder \"" + data.folder() +
                                           "\"; kavri-capture never writes there");
            }
            if (mkdirat(fd, name.c_str(), 0777) != 0 && errno != EEXIST) {
                const int why = errno;
                close(fd);
                return failWith(error, "cannot make " + what + ": " + std::strerror(why));
            }
            next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        const int why = errno;
        close(fd);
        if (next < 0)
            return failWith(error, "cannot open " + what + ": " + std::strerror(why));
        fd = next;
    }
    if (fd < 0)
        return failWith(error, "cannot open " + what + ": " + std::strerror(errno));
    if (!data.folderHolding(fd).empty()) {
        close(fd);
        mRefused = true;
        return failWith(error, "\"" + path + "\" is in the show's data folder \"" + data.folder() +
                                   "\"; kavri-capture never writes there");
    }
    mFd = fd;
    return true;
}

std::string OutputFolder::pathOf(const std::string& name) const
{
    return (std::filesystem::path(mPath) / name).string();
}

bool OutputFolder::create(const std::string& name, File& file, std::string& error)
{
    file = File();
    file.name = name;
    for (int attempt = 0; attempt < 100; ++attempt) {
        file.temp = name + "." + randomPart() + ".part";
        file.fd = openat(mFd, file.temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (file.fd >= 0 || errno != EEXIST)
            break;
    }
    struct stat info;
    if (file.fd < 0 || fstat(file.fd, &info) != 0)
        return failWith(error, "cannot write in \"" + mPath + "\": " + std::strerror(errno));
    file.device = info.st_dev;
    file.inode = info.st_ino;
    return true;
}

bool OutputFolder::stillOurs(const File& file) const
{
    struct stat info;
    return fstatat(mFd, file.temp.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && info.st_dev == file.device &&
           info.st_ino == file.inode;
}

OutputFolder::Outcome OutputFolder::place(File& file, bool replace, std::string& error)
{
    const std::string target = "\"" + pathOf(file.name) + "\"";
    if (file.fd >= 0) {
        const int closed = close(file.fd);
        const int why = errno;
        file.fd = -1;
        if (closed != 0) {
            error = "cannot write " + target + ": " + std::strerror(why);
            return FAILED;
        }
    }
    if (!stillOurs(file)) {
        error = "cannot put " + target + " in place: the file written for it, \"" + pathOf(file.temp) +
                "\", was moved or replaced meanwhile";
        return FAILED;
    }
    int moved = renameat2(mFd, file.temp.c_str(), mFd, file.name.c_str(), replace ? 0 : RENAME_NOREPLACE);
    if (moved != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without RENAME_NOREPLACE: a hard link never replaces either.
        moved = linkat(mFd, file.temp.c_str(), mFd, file.name.c_str(), 0);
        if (moved == 0)
            unlinkat(mFd, file.temp.c_str(), 0);
        else if (errno == EPERM || errno == EOPNOTSUPP) {
            error = "cannot put " + target + " in place on this file system without the risk of replacing a "
                    "file made there meanwhile; give --overwrite";
            return FAILED;
        }
    }
    if (moved == 0) {
        file.temp.clear();
        return PLACED;
    }
    if (errno == EEXIST) {
        error = target + " was made by another program while the capture ran and stays as it is";
        return TAKEN;
    }
    error = "cannot put " + target + " in place: " + std::strerror(errno);
    return FAILED;
}

void OutputFolder::discard(File& file)
{
    if (file.fd >= 0)
        close(file.fd);
    file.fd = -1;
    if (!file.temp.empty() && stillOurs(file))
        unlinkat(mFd, file.temp.c_str(), 0);
    file.temp.clear();
}

} // namespace veko
