#ifndef VEKO_OUTPUT_FOLDER_H
#define VEKO_OUTPUT_FOLDER_H

#include <sys/types.h>

#include <string>

namespace veko {

class DataFiles;

// A folder a capture writes into, held open from the moment it was judged: whatever happens
// to its path later, every file goes into that folder. A file is written under a name of its
// own first, made exclusively (O_EXCL, no link followed), and put under its real name only
// when it is complete: a name never holds half a file, and a name that someone else took
// meanwhile is never replaced unless replacing was asked for. Where the file system lacks
// the calls for that (a FAT or exFAT stick through FUSE), the name is taken with an empty
// file of our own first, which the finished file replaces. A name too long for the letters
// the file's own name adds gives up as many of its own.
class OutputFolder {
public:
    // A file being written: its real name, the name it is written under, and the file.
    struct File {
        std::string name;
        std::string temp;
        int fd = -1;
        dev_t device = 0;
        ino_t inode = 0;
    };
    enum Outcome { PLACED, TAKEN, FAILED };

    OutputFolder();
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Opens the folder at path, an absolute path; with make, missing folders are made. False,
    // with one line in error, when it cannot, or when the folder is the show's data folder or
    // lies inside it (then refused() is true): nothing is ever made or written there.
    bool open(const std::string& path, const DataFiles& data, bool make, std::string& error);
    bool refused() const { return mRefused; }
    const std::string& path() const { return mPath; }
    // The path of a name in this folder, for messages.
    std::string pathOf(const std::string& name) const;

    // A new empty file for name, open for reading and writing as file.fd (close-on-exec).
    bool create(const std::string& name, File& file, std::string& error);
    // Closes the file and puts it under its name (file.temp is then empty). With replace, what is there is replaced
    // (a link as a name, never followed); without, a name taken meanwhile stays as it is and
    // TAKEN is returned, the file still under its own name. FAILED leaves the file there too.
    Outcome place(File& file, bool replace, std::string& error);
    // Closes the file and removes it, if its name still holds it: never anything else.
    void discard(File& file);

private:
    bool stillOurs(const File& file) const;
    // Puts the file under its name where the file system can neither rename without
    // replacing nor make hard links: 0, or -1 with errno (EEXIST: the name is taken).
    int placeOverStandIn(const File& file);

    int mFd;
    std::string mPath;
    bool mRefused;
};

} // namespace veko

#endif
