#include "platform/DataFolder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/DataFolderSystem.h"
#include "platform/Report.h"

namespace fs = std::filesystem;

namespace veko {

namespace {

// A folder holds the show's files when it has at least one of them: a user's folder with only
// their own music, or a folder with a few files missing or damaged, is still the show's, and
// the scenes name what fails. Subfolders named like the show's alone (a project's own
// data/models beside its code) are not enough.
bool holdsShowFiles(const fs::path& folder)
{
    for (const std::string& name : DataFolder::showFiles()) {
        std::error_code code;
        const fs::file_status status = fs::status(folder / fs::u8path(name), code);
        if (!code && fs::exists(status) && !fs::is_directory(status))
            return true;
    }
    return false;
}

// The prefix an installed program sits under: the folder above its own when that is one of
// the layout's program folders ("/opt/kavri" for "/opt/kavri/bin"), or an empty path.
fs::path installPrefix(const fs::path& programFolder, const DataFolder::Layout& layout)
{
    for (const std::string& folder : layout.programFolders) {
        const fs::path relative = fs::u8path(folder).lexically_normal();
        if (relative.empty() || relative.is_absolute())
            continue;
        fs::path prefix = programFolder;
        fs::path rest = relative;
        // Matched from the end: "lib/kavri/bin" must be the last three names of the folder.
        bool matches = true;
        while (matches && !rest.empty() && rest != ".") {
            matches = prefix.filename() == rest.filename();
            prefix = prefix.parent_path();
            rest = rest.parent_path();
        }
        if (matches)
            return prefix;
    }
    return fs::path();
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

DataFolder::DataFolder(const std::string& programFile, const std::string& installedFolder, const Layout& layout)
{
    std::vector<fs::path> candidates = {fs::path("..") / "data"};
    if (!programFile.empty()) {
        const fs::path programFolder = fs::u8path(programFile).parent_path();
        candidates.push_back(programFolder / ".." / "data");
        // An install moved elsewhere than it was configured for keeps its own layout.
        const fs::path prefix = installPrefix(fs::u8path(normalised(programFolder)), layout);
        const fs::path data = fs::u8path(layout.dataFolder);
        if (!prefix.empty() && !data.empty() && data.is_relative())
            candidates.push_back(prefix / data);
    }
    if (!installedFolder.empty())
        candidates.push_back(fs::u8path(installedFolder));
    // Started from build/bin, the first two are one folder: it is named once.
    for (const fs::path& candidate : candidates) {
        const std::string place = normalised(candidate);
        if (std::find(mPlaces.begin(), mPlaces.end(), place) == mPlaces.end())
            mPlaces.push_back(place);
    }
}

const std::vector<std::string>& DataFolder::showFiles()
{
    // What the scenes open, and the music.
    static const std::vector<std::string> files = {
        "stream/zaza.ogg",
        "models/arks3.obj",       "models/arks5.obj",       "models/shape_1a.obj",    "models/town_04.obj",
        "textures/katze.png",     "textures/zuli!.png",     "textures/starticle.png", "textures/veko.png",
        "textures/dada.png",      "textures/eda_back.png",  "textures/rabbit1.png",   "textures/rabbit2.png",
        "textures/stripes4.png",  "textures/katze1.png",    "textures/katze2.png",    "textures/food1.png",
        "textures/food2.png",     "textures/food3.png",     "textures/hearticle.png", "textures/starback.png",
        "textures/blood.png",
    };
    return files;
}

std::string DataFolder::find() const
{
    for (const std::string& place : mPlaces)
        if (holdsShowFiles(workableFolder(fs::u8path(place))))
            return place;
    return std::string();
}

bool DataFolder::enter(const char* programName) const
{
    const std::string found = find();
    if (!found.empty()) {
        std::error_code code;
        const fs::path started = fs::current_path(code);
        const fs::path data = workableFolder(fs::u8path(found));
        if (enterAsDotDotData(data, started))
            return true;
        fs::current_path(started, code);
        if (!roomyFolder(data)) {
            reportAs(programName, "the show's files are in " + found +
                                      ", too deep for Windows to read them from as ../data (the folder and the names in "
                                      "it must fit in 260 characters, and it has no short name that does); going on "
                                      "without them");
            return false;
        }
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
