#ifndef VEKO_DATA_FILES_H
#define VEKO_DATA_FILES_H

#include <sys/types.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace veko {

// The show's data folder as the system knows it: every folder and file in it by identity
// (device and inode number), links followed as the show follows them. Another name for one
// of them, a hard link or a symbolic link, is still that file; a folder inside the data
// folder is found by walking up from it, whatever path led there. Where numbers do not
// tell (FUSE: another spelling on a stick that folds case, a bindfs view), the data folder
// is also known by the paths it is seen under, and each of its folders by what it holds
// (FolderViews): a folder that holds the same names, sizes and times as one of the data
// folder's is taken for that folder seen another way, or for a copy made to look like it.
class DataFiles {
public:
    // Nothing to keep safe.
    DataFiles() = default;
    // The files of the folder, which need not exist.
    explicit DataFiles(const std::string& folder);

    const std::string& folder() const { return mFolder; }

    // The data folder's name for the file or folder with that identity, or an empty string.
    std::string nameOf(dev_t device, ino_t inode) const;
    // The data folder's name for the folder open as dirFd or for a folder above it (so that
    // nothing is made or written in there), or an empty string.
    std::string folderHolding(int dirFd) const;
    // True when the path (absolute, without links) is the data folder or lies in it, under
    // any of the paths either is seen under.
    bool holdsPath(const std::string& path) const;

private:
    typedef std::pair<dev_t, ino_t> Identity;

    std::string mFolder;
    std::map<Identity, std::string> mNames;   // identity -> name under the data folder
    std::vector<std::string> mPaths;          // the paths the data folder is seen under
    std::map<std::string, std::string> mContents;   // what a folder holds -> its name
    size_t mMost = 0;                               // entries looked at in a folder, at most
};

} // namespace veko

#endif
