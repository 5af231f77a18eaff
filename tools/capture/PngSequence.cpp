#include "tools/capture/PngSequence.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/capture/CaptureDevice.h"
#include "tools/capture/MemoryWriteFile.h"

using namespace irr;

namespace veko {

namespace {

// Puts all bytes into the file; false, with errno set, when any step fails.
bool writeWhole(int fd, const std::vector<std::uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

PngSequence::PngSequence(video::IVideoDriver* driver, const std::string& folder, int scale, bool replace)
    : mDriver(driver), mFolder(folder), mScale(scale), mReplace(replace)
{
}

bool PngSequence::open(const DataFiles& data, std::string& error)
{
    if (mOutput.open(mFolder, data, true, error))
        return true;
    error = "--frames: " + error;
    return false;
}

std::string PngSequence::fileName(int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", frame);
    return name;
}

// Nearest neighbour at a whole factor: every pixel repeated scale times along its row, and
// every row repeated scale times.
const std::vector<std::uint8_t>& PngSequence::scaled(const std::vector<std::uint8_t>& rgb)
{
    if (mScale == 1)
        return rgb;
    const size_t n = static_cast<size_t>(mScale);
    const size_t rowBytes = CaptureDevice::kWidth * 3 * n;
    mScaled.resize(rgb.size() * n * n);
    std::uint8_t* out = mScaled.data();
    for (int y = 0; y < CaptureDevice::kHeight; ++y) {
        const std::uint8_t* in = &rgb[static_cast<size_t>(y) * CaptureDevice::kWidth * 3];
        std::uint8_t* row = out;
        for (int x = 0; x < CaptureDevice::kWidth; ++x, in += 3)
            for (size_t i = 0; i < n; ++i, row += 3)
                std::memcpy(row, in, 3);
        for (size_t i = 1; i < n; ++i)
            std::memcpy(out + i * rowBytes, out, rowBytes);
        out += rowBytes * n;
    }
    return mScaled;
}

bool PngSequence::write(int frame, const std::vector<std::uint8_t>& rgb, std::string& error)
{
    const std::string path = mFolder + "/" + fileName(frame);
    // The image borrows the bytes; the engine's PNG writer stores them as RGB, into memory.
    const std::vector<std::uint8_t>& pixels = scaled(rgb);
    video::IImage* image = mDriver->createImageFromData(
        video::ECF_R8G8B8, core::dimension2du(CaptureDevice::kWidth * mScale, CaptureDevice::kHeight * mScale),
        const_cast<std::uint8_t*>(pixels.data()), true, false);
    MemoryWriteFile* png = new MemoryWriteFile(path.c_str());
    const bool encoded = image && mDriver->writeImageToFile(image, png);
    if (image)
        image->drop();
    if (!encoded) {
        png->drop();
        error = "cannot write \"" + path + "\": the PNG writer failed";
        return false;
    }
    OutputFolder::File file;
    bool written = mOutput.create(fileName(frame), file, error);
    if (written && !writeWhole(file.fd, png->bytes())) {
        error = "cannot write \"" + path + "\": " + std::strerror(errno);
        written = false;
    }
    png->drop();
    if (written && mOutput.place(file, mReplace, error) != OutputFolder::PLACED)
        written = false;
    if (!written)
        mOutput.discard(file);
    return written;
}

} // namespace veko
