#include "env/VettedImageLoader.h"

#include <csetjmp>

#include <png.h>

#include "env/GuardedReadFile.h"
#include "platform/Report.h"

using namespace irr;

namespace veko {

namespace {

struct HeaderReader {
    io::IReadFile* file;
    std::string error;
};

void readFromFile(png_structp png, png_bytep data, png_size_t length)
{
    HeaderReader* reader = static_cast<HeaderReader*>(png_get_io_ptr(png));
    if (reader->file->read(data, static_cast<u32>(length)) != static_cast<s32>(length))
        png_error(png, "the file ends inside the header");
}

void onError(png_structp png, png_const_charp message)
{
    static_cast<HeaderReader*>(png_get_io_ptr(png))->error = message;
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Width and height from the PNG header, read by libpng; false with *why if there is none.
bool readPngSize(io::IReadFile* file, png_uint_32* width, png_uint_32* height, std::string* why)
{
    unsigned char signature[8];
    if (file->read(signature, sizeof signature) != sizeof signature || png_sig_cmp(signature, 0, 8) != 0) {
        *why = "it is not a PNG picture";
        return false;
    }
    HeaderReader reader = { file, "" };
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *why = "its header cannot be read";
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        *why = "its header is damaged (" + reader.error + ")";
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, readFromFile);
    png_set_sig_bytes(png, 8);
    // libpng's own limit (a million pixels a side) is far above ours: ours decides.
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

void VettedImageLoader::install(video::IVideoDriver* driver)
{
    video::IImageLoader* pngLoader = nullptr;
    for (u32 i = 0; i < driver->getImageLoaderCount(); ++i)
        if (driver->getImageLoader(i)->isALoadableFileExtension("picture.png"))
            pngLoader = driver->getImageLoader(i);
    if (!pngLoader)
        return;
    const core::dimension2du driverMax = driver->getMaxTextureSize();
    u32 maxSide = core::min_(driverMax.Width, driverMax.Height);
    if (maxSide == 0 || maxSide > kMaxSide)
        maxSide = kMaxSide;
    VettedImageLoader* loader = new VettedImageLoader(pngLoader, maxSide, kPixelBudget);
    driver->addExternalImageLoader(loader);
    loader->drop();
}

VettedImageLoader::VettedImageLoader(video::IImageLoader* pngLoader, u32 maxSide, u64 pixelBudget)
    : mPngLoader(pngLoader), mMaxSide(maxSide), mPixelsLeft(pixelBudget)
{
    mPngLoader->grab();
}

VettedImageLoader::~VettedImageLoader()
{
    mPngLoader->drop();
}

// Every picture comes here first, whatever its name; the engine's loaders see only what
// this one lets through.
bool VettedImageLoader::isALoadableFileExtension(const io::path&) const
{
    return true;
}

bool VettedImageLoader::isALoadableFileFormat(io::IReadFile*) const
{
    return false;
}

std::string VettedImageLoader::vet(io::IReadFile* file, u64* pixels) const
{
    png_uint_32 width = 0, height = 0;
    std::string why;
    if (!readPngSize(file, &width, &height, &why))
        return why;
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width > mMaxSide || height > mMaxSide)
        return "its size " + size + " is above the largest texture, " + std::to_string(mMaxSide) + " a side";
    *pixels = static_cast<u64>(width) * height;
    if (*pixels > mPixelsLeft)
        return "its size " + size + " would take the show's textures past " +
               std::to_string(kPixelBudget * 4 / (1024 * 1024)) + " MB";
    return "";
}

video::IImage* VettedImageLoader::loadImage(io::IReadFile* file) const
{
    // A missing file was named already: no picture, as for any file that is not there.
    const GuardedReadFile* guarded = dynamic_cast<const GuardedReadFile*>(file);
    if (guarded && guarded->missing())
        return nullptr;
    if (file->getSize() == 0) {
        refuse(file, "it is empty");
        return nullptr;
    }
    u64 pixels = 0;
    file->seek(0);
    const std::string why = vet(file, &pixels);
    if (!why.empty()) {
        refuse(file, why);
        return nullptr;
    }
    file->seek(0);
    video::IImage* image = mPngLoader->loadImage(file);
    if (!image) {
        refuse(file, "it is a damaged PNG picture");
        return nullptr;
    }
    mPixelsLeft -= pixels;
    return image;
}

void VettedImageLoader::refuse(io::IReadFile* file, const std::string& why) const
{
    const std::string name = file->getFileName().c_str();
    reportFile(name, "the picture \"" + name + "\" is left out: " + why);
    if (GuardedReadFile* guarded = dynamic_cast<GuardedReadFile*>(file))
        guarded->withdraw();
}

} // namespace veko
