#include "tools/capture/FolderViews.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace veko {

namespace {

// One line of /proc/self/mountinfo: where a file system is mounted, which part of it
// (root), its type and its source as the mount gave it.
struct Mount {
    std::string root;
    std::string point;
    std::string type;
    std::string source;
};

// mountinfo writes a space, a tab, a line end and a backslash in a field as \040 and so on.
std::string unescaped(const std::string& field)
{
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + i + 1, field.begin() + i + 4, [](char c) { return c >= '0' && c <= '7'; })) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

std::vector<Mount> mounts()
{
    std::vector<Mount> list;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point, options, field;
        if (!(fields >> id >> parent >> device >> root >> point >> options))
            continue;
        // Optional fields, up to a lone "-".
        while (fields >> field && field != "-") {
        }
        Mount mount;
        if (!(fields >> mount.type >> mount.source))
            continue;
        mount.root = unescaped(root);
        mount.point = unescaped(point);
        mount.source = unescaped(mount.source);
        list.push_back(mount);
    }
    return list;
}

// The part of path below folder ("" for folder itself, "/x/y" below it), or false when path
// is not in folder. Names are compared whole.
bool below(const std::string& path, const std::string& folder, std::string& rest)
{
    const std::string base = folder == "/" ? std::string() : folder;
    if (path.compare(0, base.size(), base) != 0 || (path.size() > base.size() && path[base.size()] != '/'))
        return false;
    rest = path.substr(base.size());
    return true;
}

std::string joined(const std::string& folder, const std::string& rest)
{
    const std::string base = folder == "/" ? std::string() : folder;
    return rest.empty() ? (base.empty() ? "/" : base) : base + rest;
}

std::vector<std::string> parts(const std::string& path)
{
    std::vector<std::string> list;
    std::istringstream in(path);
    std::string part;
    while (std::getline(in, part, '/'))
        if (!part.empty())
            list.push_back(part);
    return list;
}

// The name in lower case, character by character (UTF-8), as the system's own tables fold
// it: FAT and exFAT fold more than ASCII.
std::wstring folded(const std::string& name)
{
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    std::wstring text;
    for (size_t i = 0; i < name.size();) {
        const unsigned char lead = static_cast<unsigned char>(name[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        wchar_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < name.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(name[i + k]) & 0x3F);
        i += length;
        text += utf8 ? towlower_l(c, utf8) : (c < 0x80 ? static_cast<wchar_t>(std::tolower(c)) : c);
    }
    return text;
}

// The folder lists exactly this name as one of its own; when it cannot be listed, false.
bool lists(const std::string& folder, const std::string& name)
{
    DIR* listing = opendir(folder.c_str());
    if (!listing)
        return false;
    bool found = false;
    while (const dirent* entry = readdir(listing))
        if (name == entry->d_name) {
            found = true;
            break;
        }
    closedir(listing);
    return found;
}

bool isFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Adds what the folder holds to text, below the name prefix; false when it cannot be listed
// or holds too much.
bool describe(int dirFd, const std::string& prefix, size_t most, size_t& entries, bool& files, std::string& text)
{
    const int listed = openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = listed >= 0 ? fdopendir(listed) : nullptr;
    if (!listing) {
        if (listed >= 0)
            close(listed);
        return false;
    }
    std::vector<std::string> names;
    bool ok = true;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (++entries > most) {
            ok = false;
            break;
        }
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    // Links are told by what they hold, not followed, and no other file system is entered
    // (nor mounted by looking): a view shows both the same, and a look from high up never
    // wanders off into a slow or dead mount.
    struct stat here;
    const bool known = fstat(dirfd(listing), &here) == 0;
    for (size_t i = 0; ok && i < names.size(); ++i) {
        struct stat info;
        const std::string path = prefix + names[i];
        if (fstatat(dirfd(listing), names[i].c_str(), &info, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
            text += path + " ?\n";
        } else if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t length = readlinkat(dirfd(listing), names[i].c_str(), target, sizeof target);
            text += path + " -> " + std::string(target, length > 0 ? static_cast<size_t>(length) : 0) + "\n";
        } else if (S_ISDIR(info.st_mode)) {
            text += path + "/\n";
            if (!known || info.st_dev != here.st_dev)
                continue;
            const int sub = openat(dirfd(listing), names[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            ok = sub >= 0 && prefix.size() < 1024 && describe(sub, path + "/", most, entries, files, text);
            if (sub >= 0)
                close(sub);
        } else {
            text += path + " " + std::to_string(info.st_size) + " " + std::to_string(info.st_mtime) + "\n";
            files = files || S_ISREG(info.st_mode);
        }
    }
    closedir(listing);
    return ok;
}

} // namespace

std::string FolderViews::contents(int dirFd, size_t most)
{
    std::string text;
    size_t entries = 0;
    bool files = false;
    return describe(dirFd, std::string(), most, entries, files, text) && files ? text : std::string();
}

std::vector<std::string> FolderViews::namesOf(const std::string& path)
{
    const std::vector<Mount> all = mounts();
    std::vector<std::string> names = { path };
    // A view of a view is followed too, a few steps at most.
    for (size_t next = 0; next < names.size() && names.size() < 16; ++next) {
        // The mount that holds the path: the longest mount point above it, the latest of those.
        const Mount* holder = nullptr;
        std::string rest, holderRest;
        for (const Mount& mount : all)
            if (below(names[next], mount.point, rest) && (!holder || mount.point.size() >= holder->point.size())) {
                holder = &mount;
                holderRest = rest;
            }
        if (!holder || holder->type.compare(0, 4, "fuse") != 0 || holder->source.empty() || holder->source[0] != '/')
            continue;
        // Where in its file system the path lies.
        const std::string inside = joined(holder->root, holderRest);
        std::vector<std::string> found;
        if (isFolder(holder->source))
            found.push_back(joined(holder->source, inside == "/" ? std::string() : inside));
        for (const Mount& other : all)
            if (&other != holder && other.type == holder->type && other.source == holder->source &&
                below(inside, other.root, rest))
                found.push_back(joined(other.point, rest));
        for (const std::string& name : found)
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
    }
    return names;
}

bool FolderViews::within(const std::string& path, const std::string& folder)
{
    const std::vector<std::string> have = parts(path), want = parts(folder);
    if (have.size() < want.size())
        return false;
    std::string above = "/";
    for (size_t i = 0; i < want.size(); ++i) {
        if (have[i] != want[i]) {
            if (folded(have[i]) != folded(want[i]) || lists(above, have[i]))
                return false;
        }
        above = joined(above, "/" + want[i]);
    }
    return true;
}

} // namespace veko
