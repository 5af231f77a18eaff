#ifndef VEKO_FILE_GATE_H
#define VEKO_FILE_GATE_H

#include <string>

namespace veko {

// Decides which files the show may read. A data file is opened only when it is a regular file
// no larger than what its kind can sensibly be; a named pipe, a directory, a device or a huge
// (possibly sparse) file is refused before anything reads from it. The file is opened without
// blocking, so a pipe with no writer cannot hang the show.
class FileGate {
public:
    enum Status {
        OPENED,
        MISSING,    // no such file: *why says so, nothing was opened
        REFUSED     // there, but not to be read: *why says why
    };

    // On OPENED, *fd is a read-only descriptor the caller closes and *size the file's size.
    static Status open(const std::string& path, int* fd, long long* size, std::string* why);

    // The largest file of this kind the show reads, by its extension.
    static long long sizeLimit(const std::string& path);
};

} // namespace veko

#endif
