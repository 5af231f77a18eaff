#include "platform/FileGate.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veko {

namespace {

const long long kMiB = 1024 * 1024;

std::string extensionOf(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "a special file";
}

std::string megabytes(long long bytes)
{
    return std::to_string(bytes / kMiB) + " MB";
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

long long FileGate::sizeLimit(const std::string& path)
{
    // Far above anything the show's own files need, far below what would exhaust memory:
    // models, material files and pictures are read whole, pictures are vetted again by their
    // size.
    const std::string extension = extensionOf(path);
    if (extension == "obj" || extension == "mtl")
        return 32 * kMiB;
    if (extension == "ogg")
        return 512 * kMiB;   // streamed, never read whole
    return 64 * kMiB;
}

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
        *why = "it is larger than " + megabytes(sizeLimit(path));
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

FileGate::Status FileGate::read(const std::string& path, std::string* bytes, std::string* why)
{
    bytes->clear();
    int fd = -1;
    long long size = 0;
    const Status status = open(path, &fd, &size, why);
    if (status != OPENED)
        return status;
    // The size was taken when the file was looked at: a file that grows meanwhile is read no
    // further, one cut short gives what it still has.
    bytes->resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < bytes->size()) {
        const ssize_t n = ::read(fd, &(*bytes)[done], bytes->size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    bytes->resize(done);
    ::close(fd);
    return OPENED;
}

} // namespace veko
