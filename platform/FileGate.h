#ifndef VEKO_FILE_GATE_H
#define VEKO_FILE_GATE_H

#include <string>

namespace veko {

// Decides which files the show may read. A data file is opened only when it is a regular file
// no larger than what its kind can sensibly be; a named pipe, a directory, a device or a huge
// (possibly sparse) file is refused before it is opened for reading. The name is looked up
// once: what is opened is the very file that was looked at, even if the name is pointed
// elsewhere meanwhile.
class FileGate {
public:
    enum Status {
        OPENED,
        MISSING,    // no such file: *why says so, nothing was opened
        REFUSED     // there, but not to be read: *why says why
    };

    // On OPENED, *fd is a read-only descriptor the caller closes and *size the file's size.
    static Status open(const std::string& path, int* fd, long long* size, std::string* why);

    // The whole file, read through open(): on OPENED, *bytes holds it as it was read.
    static Status read(const std::string& path, std::string* bytes, std::string* why);

    // The largest file of this kind the show reads, by its extension.
    static long long sizeLimit(const std::string& path);
};

} // namespace veko

#endif
