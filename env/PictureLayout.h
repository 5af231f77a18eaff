#ifndef VEKO_PICTURE_LAYOUT_H
#define VEKO_PICTURE_LAYOUT_H

#include <irrlicht.h>

namespace veko {

// Where the show's 640x480 picture lands in a window of any size: centred at 4:3, filling
// the window's height or width, black around it.
//
// At a whole factor n every picture pixel becomes an n x n block (direct). At any other size
// the picture is first enlarged by nearest-pixel to the next whole factor (prescale) and then
// smoothly reduced to the final size, so that edges stay sharp and every column and row of
// the picture gets the same width. With wholeFactorsOnly the largest whole factor that fits
// is used (at least 1, which may crop a window smaller than 640x480).
struct PictureLayout {
    static constexpr irr::u32 kWidth = 640;
    static constexpr irr::u32 kHeight = 480;

    irr::core::rect<irr::s32> dest;   // in window pixels; empty for an empty window
    irr::u32 prescale = 1;            // nearest-pixel factor before the smooth reduction
    bool direct = true;               // dest is exactly prescale times the picture

    static PictureLayout fit(const irr::core::dimension2du& window, bool wholeFactorsOnly);
};

} // namespace veko

#endif
