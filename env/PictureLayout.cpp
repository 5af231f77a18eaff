#include "env/PictureLayout.h"

using namespace irr;

namespace veko {

namespace {

core::rect<s32> centred(const core::dimension2du& window, u32 width, u32 height)
{
    const s32 x = (static_cast<s32>(window.Width) - static_cast<s32>(width)) / 2;
    const s32 y = (static_cast<s32>(window.Height) - static_cast<s32>(height)) / 2;
    return core::rect<s32>(x, y, x + static_cast<s32>(width), y + static_cast<s32>(height));
}

} // namespace

PictureLayout PictureLayout::fit(const core::dimension2du& window, bool wholeFactorsOnly)
{
    PictureLayout layout;
    if (window.Width == 0 || window.Height == 0) {
        layout.dest = core::rect<s32>(0, 0, 0, 0);
        return layout;
    }
    if (wholeFactorsOnly) {
        const u32 n = core::max_(1u, core::min_(window.Width / kWidth, window.Height / kHeight));
        layout.prescale = n;
        layout.dest = centred(window, kWidth * n, kHeight * n);
        return layout;
    }
    // The largest 4:3 rectangle in the window, rounded to whole pixels.
    u32 width, height;
    if (u64(window.Width) * kHeight >= u64(window.Height) * kWidth) {
        height = window.Height;
        width = static_cast<u32>((u64(height) * kWidth + kHeight / 2) / kHeight);
    } else {
        width = window.Width;
        height = static_cast<u32>((u64(width) * kHeight + kWidth / 2) / kWidth);
    }
    layout.dest = centred(window, width, height);
    if (width % kWidth == 0 && height == width / kWidth * kHeight) {
        layout.prescale = width / kWidth;
        layout.direct = true;
    } else {
        layout.prescale = width / kWidth + 1;
        layout.direct = false;
    }
    return layout;
}

} // namespace veko
