#include "tools/capture/OutputGuard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tools/capture/Capture.h"
#include "tools/capture/DataFiles.h"
#include "tools/capture/PngSequence.h"

namespace fs = std::filesystem;

namespace veko {

namespace {

bool refuse(std::string& error, const std::string& message)
{
    error = message;
    return false;
}

std::string neverThere(const std::string& option, const std::string& path, const DataFiles& data)
{
    return option + ": \"" + path + "\" is in the show's data folder \"" + data.folder() +
           "\"; kavri-capture never writes there";
}

// The folder, or the nearest folder above it that is there, lies in the data folder.
bool inDataFolder(const fs::path& folder, const DataFiles& data)
{
    for (fs::path at = folder; !at.empty(); at = at.parent_path()) {
        const int fd = open(at.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            const bool inside = !data.folderHolding(fd).empty();
            close(fd);
            return inside;
        }
        if (at == at.root_path())
            break;
    }
    return false;
}

enum NameState { FREE, TAKEN, REFUSED };

// What is under an output's name: nothing, a file that --overwrite may replace, or something
// never to be replaced (error says which).
NameState judgeName(const std::string& option, const fs::path& path, const DataFiles& data, std::string& error)
{
    struct stat link, target;
    if (lstat(path.c_str(), &link) != 0)
        return FREE;
    std::string dataName = data.nameOf(link.st_dev, link.st_ino);
    if (dataName.empty() && stat(path.c_str(), &target) == 0)
        dataName = data.nameOf(target.st_dev, target.st_ino);
    if (!dataName.empty()) {
        error = option + ": \"" + path.string() + "\" is another name for \"" + dataName +
                "\" in the show's data folder; kavri-capture never writes there";
        return REFUSED;
    }
    // Where numbers do not tell, the path the name leads to.
    char* real = realpath(path.c_str(), nullptr);
    const bool inData = real && data.holdsPath(real);
    std::free(real);
    if (inData) {
        error = option + ": \"" + path.string() + "\" leads into the show's data folder \"" + data.folder() +
                "\"; kavri-capture never writes there";
        return REFUSED;
    }
    if (!S_ISREG(link.st_mode) && !S_ISLNK(link.st_mode)) {
        error = option + ": \"" + path.string() + "\" is there and is not a regular file; kavri-capture replaces "
                "only files";
        return REFUSED;
    }
    return TAKEN;
}

} // namespace

bool OutputGuard::allows(const CaptureOptions& options, const DataFiles& data, std::string& error)
{
    const std::string& frames = options.framesDir;
    const std::string& video = options.videoFile;
    if (!frames.empty() && inDataFolder(frames, data))
        return refuse(error, neverThere("--frames", frames, data));
    if (!video.empty()) {
        if (inDataFolder(fs::path(video).parent_path(), data))
            return refuse(error, neverThere("--video", video, data));
        const NameState state = judgeName("--video", video, data, error);
        if (state == REFUSED)
            return false;
        if (state == TAKEN && !options.overwrite)
            return refuse(error, "--video: \"" + video + "\" is there already; give --overwrite to replace it");
    }
    if (!frames.empty()) {
        int first = 0, end = 0, count = 0;
        Capture::frameSpan(options, first, end);
        std::string name;
        for (int k = first; k < end; ++k) {
            const NameState state = judgeName("--frames", fs::path(frames) / PngSequence::fileName(k), data, error);
            if (state == REFUSED)
                return false;
            if (state == TAKEN && count++ == 0)
                name = PngSequence::fileName(k);
        }
        if (count > 0 && !options.overwrite)
            return refuse(error, "--frames: \"" + frames + "\" holds " + name +
                                     (count > 1 ? " and " + std::to_string(count - 1) + " more" : std::string()) +
                                     " of this span's frames already; give --overwrite to replace them");
    }
    return true;
}

} // namespace veko
