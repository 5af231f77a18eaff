#ifndef VEKO_VETTED_IMAGE_LOADER_H
#define VEKO_VETTED_IMAGE_LOADER_H

#include <string>

#include <irrlicht.h>

namespace veko {

// The engine's picture loaders trust the size a file declares: a PNG whose width x height
// wraps in 32 bits overflows the engine's buffer, and a small file can declare a picture
// of many gigabytes. This loader is asked first for every picture. It reads the PNG header
// with libpng and lets the engine's PNG loader decode only pictures of a sane size, within
// a budget for all pictures together. Anything else (a size too large, a file that is not
// a PNG) is named on stderr once and withdrawn, so that no other loader decodes it; the
// scene then draws without that texture, as for a missing file.
class VettedImageLoader : public irr::video::IImageLoader {
public:
    // Largest side accepted when the driver names no maximum texture size of its own.
    static const irr::u32 kMaxSide = 16384;
    // Pixels of all accepted pictures together: decoded at 4 bytes a pixel, then copied into
    // the driver, this keeps the show's textures well under 1 GB.
    static const irr::u64 kPixelBudget = 48ull * 1024 * 1024;

    // Puts the loader in front of the driver's own loaders.
    static void install(irr::video::IVideoDriver* driver);

    VettedImageLoader(irr::video::IImageLoader* pngLoader, irr::u32 maxSide, irr::u64 pixelBudget);
    ~VettedImageLoader() override;

    bool isALoadableFileExtension(const irr::io::path& filename) const override;
    bool isALoadableFileFormat(irr::io::IReadFile* file) const override;
    irr::video::IImage* loadImage(irr::io::IReadFile* file) const override;

    // Why the picture in the file may not be decoded, or "" if it may; reads the header only.
    std::string vet(irr::io::IReadFile* file, irr::u64* pixels) const;

private:
    void refuse(irr::io::IReadFile* file, const std::string& why) const;

    irr::video::IImageLoader* mPngLoader;
    irr::u32 mMaxSide;
    mutable irr::u64 mPixelsLeft;
};

} // namespace veko

#endif
