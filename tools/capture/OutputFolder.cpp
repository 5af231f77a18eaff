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

// A folder held as a place to work in by its descriptor, not opened for reading.
const int kPlace = O_PATH | O_DIRECTORY | O_CLOEXEC;

// What a written file's own name adds to the name it is for: "." and ".part" around eight
// random letters.
const size_t kTempExtra = 14;
// The longest name most file systems take, in bytes (ext4, tmpfs, btrfs, XFS).
const size_t kLongestName = 255;

// The head of a name that a file's own name keeps. Kept whole while the file's own name
// stays within the longest name most file systems take; else, or when the file system
// refused the longer name, the name gives up as many characters as are added, so that the
// file's own name is no longer than the name it is for, in bytes and in characters alike:
// whether the file system counts bytes (ext4) or UTF-16 characters (exFAT), a name that
// fits there makes one that fits.
std::string tempHead(const std::string& name, bool shorten)
{
    if (!shorten && name.size() + kTempExtra <= kLongestName)
        return name;
    size_t keep = name.size();
    for (size_t cut = 0; cut < kTempExtra && keep > 0; ++cut) {
        --keep;
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
    }
    return name.substr(0, keep);
}

// What file systems answer for a name too long for them: ENAMETOOLONG, or EINVAL, EPERM or
// EILSEQ from FUSE file systems with limits of their own.
bool tooLong(int error)
{
    return error == ENAMETOOLONG || error == EINVAL || error == EPERM || error == EILSEQ;
}

// The call is not there on this file system (FUSE file systems for FAT and exFAT answer so
// for a rename that must not replace and for a hard link), as against a real failure.
bool lacksCall(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EPERM;
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
    // a folder is made only in a folder that was looked at first. The folders are held as
    // places (O_PATH), never opened for reading: a folder one may enter but not list, such
    // as a share in another user's home, is passed through as the system allows.
    int fd = ::open("/", kPlace);
    for (const std::filesystem::path& part : std::filesystem::path(path).relative_path()) {
        const std::string name = part.string();
        if (fd < 0 || name.empty() || name == ".")
            continue;
        int next = openat(fd, name.c_str(), kPlace);
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
            next = openat(fd, name.c_str(), kPlace | O_NOFOLLOW);
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
    bool shorten = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string head = tempHead(name, shorten);
        file.temp = head + "." + randomPart() + ".part";
        file.fd = openat(mFd, file.temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (file.fd >= 0)
            break;
        if (errno == EEXIST)
            continue;
        if (shorten || head.size() < name.size() || !tooLong(errno))
            break;
        shorten = true;
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
    // Looked at while the file is still open: a FUSE file system may number a file anew once
    // nothing holds it.
    const bool ours = stillOurs(file);
    if (file.fd >= 0) {
        const int closed = close(file.fd);
        const int why = errno;
        file.fd = -1;
        if (closed != 0) {
            error = "cannot write " + target + ": " + std::strerror(why);
            return FAILED;
        }
    }
    if (!ours) {
        error = "cannot put " + target + " in place: the file written for it, \"" + pathOf(file.temp) +
                "\", was moved or replaced meanwhile";
        return FAILED;
    }
    int moved = renameat2(mFd, file.temp.c_str(), mFd, file.name.c_str(), replace ? 0 : RENAME_NOREPLACE);
    // Without RENAME_NOREPLACE, a hard link never replaces either; without hard links, the
    // name is taken first with a file of our own.
    if (moved != 0 && !replace && lacksCall(errno)) {
        moved = linkat(mFd, file.temp.c_str(), mFd, file.name.c_str(), 0);
        if (moved == 0)
            unlinkat(mFd, file.temp.c_str(), 0);
        else if (lacksCall(errno))
            moved = placeOverStandIn(file);
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

int OutputFolder::placeOverStandIn(const File& file)
{
    // An empty stand-in, made exclusively, fails when the name is taken; the written file
    // then replaces it in one step. The name holds the empty file only for that moment, and
    // what another program put there instead of it is never replaced. The stand-in is held
    // open until then, so that its identity holds on FUSE too.
    const int standIn = openat(mFd, file.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (standIn < 0)
        return -1;
    struct stat made, there;
    const bool known = fstat(standIn, &made) == 0;
    const auto holdsStandIn = [&]() {
        return known && fstatat(mFd, file.name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
               there.st_dev == made.st_dev && there.st_ino == made.st_ino;
    };
    int moved = -1;
    if (!holdsStandIn())
        errno = known ? EEXIST : errno;
    else
        moved = renameat(mFd, file.temp.c_str(), mFd, file.name.c_str());
    const int why = errno;
    if (moved != 0 && holdsStandIn())
        unlinkat(mFd, file.name.c_str(), 0);
    close(standIn);
    errno = why;
    return moved;
}

void OutputFolder::discard(File& file)
{
    // Looked at while the file is open, as in place().
    if (!file.temp.empty() && stillOurs(file))
        unlinkat(mFd, file.temp.c_str(), 0);
    if (file.fd >= 0)
        close(file.fd);
    file.fd = -1;
    file.temp.clear();
}

} // namespace veko
