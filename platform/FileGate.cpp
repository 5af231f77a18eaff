#include "platform/FileGate.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include <unistd.h>

#include "platform/FileGateSystem.h"

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

std::string tooLargeReason(const std::string& path)
{
    return "it is larger than " + std::to_string(FileGate::sizeLimit(path) / kMiB) + " MB";
}

// FileGate::open is the system's: FileGateSystem.cpp.

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
