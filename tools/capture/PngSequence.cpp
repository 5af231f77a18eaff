#include "tools/capture/PngSequence.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/capture/CaptureDevice.h"

using namespace irr;

namespace veko {

PngSequence::PngSequence(video::IVideoDriver* driver, const std::string& folder) : mDriver(driver), mFolder(folder)
{
}

bool PngSequence::open(std::string& error)
{
    std::error_code code;
    std::filesystem::create_directories(mFolder, code);
    if (code || !std::filesystem::is_directory(mFolder)) {
        error = "--frames: cannot make the folder \"" + mFolder + "\"" + (code ? ": " + code.message() : "");
        return false;
    }
    return true;
}

std::string PngSequence::fileName(int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", frame);
    return name;
}

bool PngSequence::write(int frame, const std::vector<std::uint8_t>& rgb, std::string& error)
{
    // The image borrows the bytes; the engine's PNG writer stores them as RGB.
    video::IImage* image = mDriver->createImageFromData(
        video::ECF_R8G8B8, core::dimension2du(CaptureDevice::kWidth, CaptureDevice::kHeight),
        const_cast<std::uint8_t*>(rgb.data()), true, false);
    const std::string path = mFolder + "/" + fileName(frame);
    const bool written = image && mDriver->writeImageToFile(image, path.c_str());
    if (image)
        image->drop();
    if (!written)
        error = "cannot write \"" + path + "\"";
    return written;
}

} // namespace veko
