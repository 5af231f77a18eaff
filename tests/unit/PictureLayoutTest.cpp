// SPDX-License-Identifier: MIT
// Where the 640x480 picture lands on windows and monitors of any size.

#include <gtest/gtest.h>

#include "env/PictureLayout.h"

namespace {

using irr::core::dimension2du;
using irr::core::rect;
using veko::PictureLayout;

TEST(PictureLayout, CentredAt4To3WithWholeFactorsExactAndOthersPrescaledToTheNextOne)
{
    struct Case {
        dimension2du window;
        bool wholeFactorsOnly;
        rect<irr::s32> dest;
        irr::u32 prescale;
        bool direct;
    };
    const Case cases[] = {
        {{640, 480}, false, {0, 0, 640, 480}, 1, true},
        {{1280, 960}, false, {0, 0, 1280, 960}, 2, true},
        {{1920, 1440}, false, {0, 0, 1920, 1440}, 3, true},
        {{1920, 1080}, false, {240, 0, 1680, 1080}, 3, false},      // 2.25 times
        {{3840, 2160}, false, {480, 0, 3360, 2160}, 5, false},      // 4.5 times
        {{1280, 1024}, false, {0, 32, 1280, 992}, 2, true},         // 5:4: bars above and below
        {{1000, 600}, false, {100, 0, 900, 600}, 2, false},         // a resized window
        {{320, 240}, false, {0, 0, 320, 240}, 1, false},            // smaller: only reduced
        {{1920, 1080}, true, {320, 60, 1600, 1020}, 2, true},
        {{3840, 2160}, true, {640, 120, 3200, 2040}, 4, true},
        {{1279, 959}, true, {319, 239, 959, 719}, 1, true},
        {{320, 240}, true, {-160, -120, 480, 360}, 1, true},        // cropped, never below 1
    };
    for (const Case& c : cases) {
        const PictureLayout layout = PictureLayout::fit(c.window, c.wholeFactorsOnly);
        const std::string where = std::to_string(c.window.Width) + "x" + std::to_string(c.window.Height) +
                                  (c.wholeFactorsOnly ? " whole" : "");
        EXPECT_EQ(layout.dest, c.dest) << where << ": " << layout.dest.UpperLeftCorner.X << ","
                                       << layout.dest.UpperLeftCorner.Y << " " << layout.dest.getWidth() << "x"
                                       << layout.dest.getHeight();
        EXPECT_EQ(layout.prescale, c.prescale) << where;
        EXPECT_EQ(layout.direct, c.direct) << where;
    }
    // A minimised window has no room at all.
    EXPECT_EQ(PictureLayout::fit(dimension2du(0, 0), false).dest.getArea(), 0);
}

} // namespace
