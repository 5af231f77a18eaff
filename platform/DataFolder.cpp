#include "platform/DataFolder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/Report.h"

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
    return (code ? path : absolute).lexically_normal().string();
}

} // namespace

DataFolder::DataFolder(const std::string& programFile, const std::string& installedFolder)
{
    std::vector<fs::path> candidates = {fs::path("..") / "data"};
    if (!programFile.empty())
        candidates.push_back(fs::path(programFile).parent_path() / ".." / "data");
    if (!installedFolder.empty())
        candidates.push_back(installedFolder);
    // Started from build/bin, the first two are one folder: it is named once.
    for (const fs::path& candidate : candidates) {
        const std::string place = normalised(candidate);
        if (std::find(mPlaces.begin(), mPlaces.end(), place) == mPlaces.end())
            mPlaces.push_back(place);
    }
}

DataFolder DataFolder::forThisProgram()
{
    std::error_code code;
    const fs::path program = fs::read_symlink("/proc/self/exe", code);
    return DataFolder(code ? std::string() : program.string(), KAVRI_INSTALLED_DATA_DIR);
}

std::string DataFolder::find() const
{
    for (const std::string& place : mPlaces)
        if (holdsShowFiles(place))
            return place;
    return std::string();
}

bool DataFolder::enter(const char* programName) const
{
    const std::string found = find();
    std::error_code code;
    if (!found.empty()) {
        fs::current_path(found, code);
        if (!code)
            return true;
    }
    std::string list;
    for (size_t i = 0; i < mPlaces.size(); ++i)
        list += (i == 0 ? "" : i + 1 == mPlaces.size() ? " and " : ", ") + mPlaces[i];
    std::fprintf(stderr, "%s: found no data folder with the show's files (looked in %s); going on without them\n",
                 programName, printable(list).c_str());
    return false;
}

} // namespace veko
