#ifndef VEKO_PNG_SEQUENCE_H
#define VEKO_PNG_SEQUENCE_H

#include <cstdint>
#include <string>
#include <vector>

#include <irrlicht.h>

namespace veko {

// Numbered PNG files in one folder: frame k is DIR/frame_NNNNNN.png, k counted from the
// capture's time 0, so a span's files have the same names as in a capture of everything.
// A file appears whole or not at all: it is written beside its name and then renamed.
class PngSequence {
public:
    // Frames are stored with each pixel as a scale x scale block.
    PngSequence(irr::video::IVideoDriver* driver, const std::string& folder, int scale);

    // Makes the folder if needed. False, with one line in error, when it cannot.
    bool open(std::string& error);
    // Writes 640x480 RGB bytes, top row first.
    bool write(int frame, const std::vector<std::uint8_t>& rgb, std::string& error);

    static std::string fileName(int frame);

private:
    const std::vector<std::uint8_t>& scaled(const std::vector<std::uint8_t>& rgb);

    irr::video::IVideoDriver* mDriver;
    std::string mFolder;
    int mScale;
    std::vector<std::uint8_t> mScaled;
};

} // namespace veko

#endif
