#ifndef VEKO_PNG_SEQUENCE_H
#define VEKO_PNG_SEQUENCE_H

#include <cstdint>
#include <string>
#include <vector>

#include <irrlicht.h>

#include "tools/capture/OutputFolder.h"

namespace veko {

class DataFiles;

// Numbered PNG files in one folder: frame k is DIR/frame_NNNNNN.png, k counted from the
// capture's time 0, so a span's files have the same names as in a capture of everything.
// A file appears whole or not at all: it is written under a name of its own in the folder
// and then put in place (OutputFolder); a frame's name that another program took while the
// capture ran is kept, unless replace was asked for.
class PngSequence {
public:
    // Frames are stored with each pixel as a scale x scale block.
    PngSequence(irr::video::IVideoDriver* driver, const std::string& folder, int scale, bool replace);

    // Makes the folder if needed and holds it open. False, with one line in error, when it
    // cannot or when the folder lies in the show's data folder (then refused() is true).
    bool open(const DataFiles& data, std::string& error);
    bool refused() const { return mOutput.refused(); }
    // Writes 640x480 RGB bytes, top row first.
    bool write(int frame, const std::vector<std::uint8_t>& rgb, std::string& error);

    static std::string fileName(int frame);

private:
    const std::vector<std::uint8_t>& scaled(const std::vector<std::uint8_t>& rgb);

    irr::video::IVideoDriver* mDriver;
    std::string mFolder;
    OutputFolder mOutput;
    int mScale;
    bool mReplace;
    std::vector<std::uint8_t> mScaled;
};

} // namespace veko

#endif
