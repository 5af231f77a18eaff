#include "platform/FileGate.h"
#include "platform/FileGateSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veko {

namespace {

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "a special file";
}

// Opens for reading the file an O_PATH descriptor holds, through the descriptor's own entry in
// /proc: the name is not looked up again. Without /proc, by name, and only if the name still
// leads to the same file. Reads of a regular file block as usual.
int openForReading(int handle, const std::string& path, const struct stat& looked)
{
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    char self[48];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", handle);
    int fd = ::open(self, flags);
    const int error = errno;
    if (fd < 0 && error == ENOENT && access("/proc/self/fd", F_OK) != 0) {
        fd = ::open(path.c_str(), flags);
        struct stat now;
        if (fd >= 0 && (fstat(fd, &now) != 0 || now.st_dev != looked.st_dev || now.st_ino != looked.st_ino)) {
            ::close(fd);
            fd = -1;
            errno = ESTALE;
        }
    } else {
        errno = error;
    }
    if (fd >= 0)
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

FileGate::Status FileGate::open(const std::string& path, int* fd, long long* size, std::string* why)
{
    *fd = -1;
    *size = 0;
    // The name is looked up once, into a descriptor that can only look (O_PATH): that does
    // nothing to a device or a pipe, and what is opened below is the file looked at here.
    const int handle = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (handle < 0) {
        const int error = errno;
        const bool missing = error == ENOENT || error == ENOTDIR;
        *why = missing ? "it is missing" : std::string("it cannot be opened: ") + std::strerror(error);
        return missing ? MISSING : REFUSED;
    }
    struct stat info;
    int opened = -1;
    if (fstat(handle, &info) != 0) {
        *why = std::string("it cannot be read: ") + std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        *why = std::string("it is ") + kindOf(info.st_mode) + ", not a file";
    } else if (info.st_size > sizeLimit(path)) {
        *why = tooLargeReason(path);
    } else {
        opened = openForReading(handle, path, info);
        if (opened < 0)
            *why = std::string("it cannot be opened: ") + std::strerror(errno);
    }
    ::close(handle);
    if (opened < 0)
        return REFUSED;
    *fd = opened;
    *size = info.st_size;
    return OPENED;
}

} // namespace veko
