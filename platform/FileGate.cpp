#include "platform/FileGate.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
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

} // namespace

long long FileGate::sizeLimit(const std::string& path)
{
    // Far above anything the show's own files need, far below what would exhaust memory:
    // models and material files are read whole, pictures are vetted again by their size.
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
    // Look before opening: opening a device or a pipe can already do something.
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        *why = std::string("it is ") + kindOf(info.st_mode) + ", not a file";
        return REFUSED;
    }
    const int opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (opened < 0) {
        const int error = errno;
        *why = error == ENOENT || error == ENOTDIR ? "it is missing" : std::string("it cannot be opened: ") + std::strerror(error);
        return error == ENOENT || error == ENOTDIR ? MISSING : REFUSED;
    }

    // Looked at again once open, in case it was swapped meanwhile.
    if (fstat(opened, &info) != 0) {
        *why = std::string("it cannot be read: ") + std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        *why = std::string("it is ") + kindOf(info.st_mode) + ", not a file";
    } else if (info.st_size > sizeLimit(path)) {
        *why = "it is larger than " + megabytes(sizeLimit(path));
    } else {
        // A regular file: reads block as usual from here on.
        fcntl(opened, F_SETFL, fcntl(opened, F_GETFL) & ~O_NONBLOCK);
        *fd = opened;
        *size = info.st_size;
        return OPENED;
    }
    ::close(opened);
    return REFUSED;
}

} // namespace veko
