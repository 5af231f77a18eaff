#include "tools/capture/DataFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "tools/capture/FolderViews.h"

namespace fs = std::filesystem;

namespace veko {

namespace {

// A data folder is a few dozen files; a link to somewhere huge must not make this a crawl.
const size_t kMostEntries = 100000;

} // namespace

DataFiles::DataFiles(const std::string& folder) : mFolder(folder)
{
    struct stat info;
    if (folder.empty() || stat(folder.c_str(), &info) != 0)
        return;
    mNames[Identity(info.st_dev, info.st_ino)] = folder;
    std::error_code real;
    const fs::path canonical = fs::canonical(folder, real);
    if (!real)
        mPaths = FolderViews::namesOf(canonical.string());
    std::vector<std::string> folders = { folder };
    std::error_code code;
    fs::recursive_directory_iterator it(folder, fs::directory_options::follow_directory_symlink |
                                                    fs::directory_options::skip_permission_denied, code);
    for (; !code && it != fs::recursive_directory_iterator() && mNames.size() < kMostEntries; it.increment(code)) {
        const std::string path = it->path().string();
        if (stat(path.c_str(), &info) != 0)
            continue;
        // A folder met twice (a link back up) is not walked again.
        const bool known = !mNames.emplace(Identity(info.st_dev, info.st_ino), path).second;
        if (known && S_ISDIR(info.st_mode))
            it.disable_recursion_pending();
        else if (S_ISDIR(info.st_mode))
            folders.push_back(path);
    }
    // What each folder holds, to know it where it has other numbers and no path tells.
    mMost = mNames.size() * 2 + 16;
    for (const std::string& path : folders) {
        const int fd = open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const std::string contents = fd >= 0 ? FolderViews::contents(fd, mMost) : std::string();
        if (!contents.empty())
            mContents.emplace(contents, path);
        if (fd >= 0)
            close(fd);
    }
}

std::string DataFiles::nameOf(dev_t device, ino_t inode) const
{
    const auto found = mNames.find(Identity(device, inode));
    return found == mNames.end() ? std::string() : found->second;
}

std::string DataFiles::folderHolding(int dirFd) const
{
    if (mNames.empty())
        return std::string();
    int fd = dup(dirFd);
    struct stat info, parent;
    if (fd < 0 || fstat(fd, &info) != 0) {
        if (fd >= 0)
            close(fd);
        return std::string();
    }
    // Up through "..", as the system sees the folders, to the root, whose ".." is itself.
    for (;;) {
        std::string name = nameOf(info.st_dev, info.st_ino);
        if (name.empty() && !mContents.empty()) {
            const auto same = mContents.find(FolderViews::contents(fd, mMost));
            name = same == mContents.end() ? std::string() : same->second;
        }
        if (!name.empty() && S_ISDIR(info.st_mode)) {
            close(fd);
            return name;
        }
        const int up = openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        if (up < 0 || fstat(up, &parent) != 0 || (parent.st_dev == info.st_dev && parent.st_ino == info.st_ino)) {
            if (up >= 0)
                close(up);
            break;
        }
        fd = up;
        info = parent;
    }
    // The folder's path as the system gives it, spelled as it was looked up.
    char path[4096];
    const ssize_t length = readlink(("/proc/self/fd/" + std::to_string(dirFd)).c_str(), path, sizeof path - 1);
    if (length > 0 && path[0] == '/' && holdsPath(std::string(path, static_cast<size_t>(length))))
        return mFolder;
    return std::string();
}

bool DataFiles::holdsPath(const std::string& path) const
{
    for (const std::string& name : FolderViews::namesOf(path))
        for (const std::string& data : mPaths)
            if (FolderViews::within(name, data))
                return true;
    return false;
}

} // namespace veko
