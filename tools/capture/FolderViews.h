#ifndef VEKO_FOLDER_VIEWS_H
#define VEKO_FOLDER_VIEWS_H

#include <string>
#include <vector>

namespace veko {

// The other ways a folder may be reached, which its device and inode number do not tell:
// a FUSE file system numbers files by the name they were looked up under, so on a FAT or
// exFAT stick "DATA" and "data" are one folder with two numbers, and a bindfs view of a
// folder is a file system of its own with numbers of its own. Paths are compared instead:
// the paths the system itself gives for open files (/proc/self/fd), mapped through the FUSE
// mounts listed in /proc/self/mountinfo, with case told apart only where the file system
// lists both spellings. Where no path tells either (a stick mounted twice through FUSE,
// views whose source is not named), what a folder holds tells.
class FolderViews {
public:
    // path (absolute, without links, as the system gives it) and every path under which the
    // same file is also seen: where path lies in a FUSE view of a folder (bindfs names the
    // folder as its source), that folder's path; where it lies on a stick mounted through
    // FUSE more than once, its path in each mount.
    static std::vector<std::string> namesOf(const std::string& path);
    // True when path is folder or lies in it. A name that differs from the folder's only in
    // case is the folder's own unless the folder above lists that spelling as a name of its
    // own; when that folder cannot be listed, it is taken for the folder's own (in doubt).
    static bool within(const std::string& path, const std::string& folder);
    // What the folder open as dirFd holds, all the way down: each name with its kind, and
    // each file's size and time of change, in order. Another mount or view of a folder, of
    // whatever kind, shows the same. Empty when the folder cannot be listed, or holds more
    // than most entries, or holds no file.
    static std::string contents(int dirFd, size_t most);
};

} // namespace veko

#endif
