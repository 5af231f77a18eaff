#include "tools/capture/OutputGuard.h"

#include <filesystem>
#include <system_error>

#include "tools/capture/Capture.h"
#include "tools/capture/PngSequence.h"

namespace fs = std::filesystem;

namespace veko {

namespace {

const char* const kDataFolder = "../data";

bool refuse(std::string& error, const std::string& message)
{
    error = message;
    return false;
}

bool inDataFolder(const std::string& option, const std::string& path, std::string& error)
{
    if (!OutputGuard::isInside(path, kDataFolder))
        return false;
    error = option + ": \"" + fs::path(path).lexically_normal().string() + "\" is in the show's data folder \"" +
            fs::weakly_canonical(kDataFolder).string() + "\"; kavri-capture never writes there";
    return true;
}

bool isThere(const fs::path& path)
{
    std::error_code code;
    return fs::exists(fs::symlink_status(path, code));
}

// The first of the span's frame files that is there already, and how many there are.
int existingFrames(const std::string& folder, int first, int end, std::string& firstName)
{
    int count = 0;
    for (int k = first; k < end; ++k)
        if (isThere(fs::path(folder) / PngSequence::fileName(k)) && count++ == 0)
            firstName = PngSequence::fileName(k);
    return count;
}

} // namespace

bool OutputGuard::isInside(const std::string& path, const std::string& folder)
{
    std::error_code code;
    const fs::path root = fs::canonical(folder, code);
    if (code)
        return false;   // no such folder: nothing to keep safe
    const fs::path target = fs::weakly_canonical(path, code);
    if (code)
        return false;
    auto part = target.begin();
    for (const fs::path& name : root) {
        if (part == target.end() || *part != name)
            return false;
        ++part;
    }
    return true;
}

bool OutputGuard::allows(const CaptureOptions& options, std::string& error)
{
    const std::string& frames = options.framesDir;
    const std::string& video = options.videoFile;
    if ((!frames.empty() && inDataFolder("--frames", frames, error)) ||
        (!video.empty() && inDataFolder("--video", video, error)))
        return false;
    if (options.overwrite)
        return true;
    if (!video.empty() && isThere(video))
        return refuse(error, "--video: \"" + video + "\" is there already; give --overwrite to replace it");
    if (!frames.empty()) {
        int first = 0, end = 0;
        Capture::frameSpan(options, first, end);
        std::string name;
        const int count = existingFrames(frames, first, end, name);
        if (count > 0)
            return refuse(error, "--frames: \"" + frames + "\" holds " + name +
                                     (count > 1 ? " and " + std::to_string(count - 1) + " more" : std::string()) +
                                     " of this span's frames already; give --overwrite to replace them");
    }
    return true;
}

} // namespace veko
