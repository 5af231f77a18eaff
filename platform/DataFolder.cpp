#include "platform/DataFolder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/Report.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/WideText.h"
#endif

namespace fs = std::filesystem;

namespace veko {

namespace {

// A folder holds the show's files when it has any of the show's own subfolders: a folder
// with a few files missing or damaged is still the show's, and the scenes name what fails.
bool holdsShowFiles(const fs::path& folder)
{
    std::error_code code;
    for (const char* part : {"textures", "models", "stream"})
        if (fs::is_directory(folder / part, code))
            return true;
    return false;
}

std::string normalised(const fs::path& path)
{
    std::error_code code;
    const fs::path absolute = fs::absolute(path, code);
    return (code ? path : absolute).lexically_normal().u8string();
}

// Moves into the folder and returns true if "../data" from there is the data folder.
bool enterIfDotDotData(const fs::path& folder, const fs::path& data)
{
    std::error_code code;
    fs::current_path(folder, code);
    return !code && fs::equivalent(fs::path("..") / "data", data, code) && !code;
}

// Moves into a folder from which "../data" is the data folder. A working directory is always
// a real folder, and ".." from it its real parent: for a data folder that is a symbolic link,
// "../data" is the link only from a folder beside the link, and from inside it only when the
// link's target is named "data" too. The folder itself is tried first, then the one the
// program was started in, then those beside the folder.
bool enterAsDotDotData(const fs::path& data, const fs::path& started)
{
    if (enterIfDotDotData(data, data) || enterIfDotDotData(started, data))
        return true;
    std::error_code code;
    std::vector<fs::path> beside;
    for (fs::directory_iterator it(data.parent_path(), code), end; !code && it != end; it.increment(code))
        if (it->path().filename() != data.filename() && it->is_directory(code))
            beside.push_back(it->path());
    std::sort(beside.begin(), beside.end());
    for (const fs::path& folder : beside)
        if (enterIfDotDotData(folder, data))
            return true;
    return false;
}

} // namespace

DataFolder::DataFolder(const std::string& programFile, const std::string& installedFolder)
{
    std::vector<fs::path> candidates = {fs::path("..") / "data"};
    if (!programFile.empty())
        candidates.push_back(fs::u8path(programFile).parent_path() / ".." / "data");
    if (!installedFolder.empty())
        candidates.push_back(fs::u8path(installedFolder));
    // Started from build/bin, the first two are one folder: it is named once.
    for (const fs::path& candidate : candidates) {
        const std::string place = normalised(candidate);
        if (std::find(mPlaces.begin(), mPlaces.end(), place) == mPlaces.end())
            mPlaces.push_back(place);
    }
}

DataFolder DataFolder::forThisProgram()
{
#ifdef _WIN32
    // A Windows show has no installed place: its data folder is ..\data, from where it was
    // started or from the program's own folder.
    wchar_t program[32768];
    const DWORD length = GetModuleFileNameW(nullptr, program, sizeof program / sizeof program[0]);
    return DataFolder(narrow(std::wstring(program, length)), "");
#else
    std::error_code code;
    const fs::path program = fs::read_symlink("/proc/self/exe", code);
    return DataFolder(code ? std::string() : program.u8string(), KAVRI_INSTALLED_DATA_DIR);
#endif
}

std::string DataFolder::find() const
{
    for (const std::string& place : mPlaces)
        if (holdsShowFiles(fs::u8path(place)))
            return place;
    return std::string();
}

bool DataFolder::enter(const char* programName) const
{
    const std::string found = find();
    if (!found.empty()) {
        std::error_code code;
        const fs::path started = fs::current_path(code);
        if (enterAsDotDotData(fs::u8path(found), started))
            return true;
        fs::current_path(started, code);
        reportAs(programName, "the show's files are in " + found +
                                  ", a link to a folder of another name with no folder beside it to read them from "
                                  "as ../data; going on without them");
        return false;
    }
    std::string list;
    for (size_t i = 0; i < mPlaces.size(); ++i)
        list += (i == 0 ? "" : i + 1 == mPlaces.size() ? " and " : ", ") + mPlaces[i];
    reportAs(programName, "found no data folder with the show's files (looked in " + list + "); going on without them");
    return false;
}

} // namespace veko
