#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "effects/EfxShape4.h"
#include "SceneRig.h"

using namespace irr;
using testing_support::SceneRig;
using testing_support::sameColour;
using veko::EfxShape4;

namespace {

struct Span {
    int first, last;
};
using Row = std::vector<Span>;

// The heart row by row as column spans: all of it, and its border.
const Row kHeart[16] = { {}, {}, {}, { { 3, 5 }, { 9, 11 } }, { { 2, 6 }, { 8, 12 } }, { { 1, 13 } }, { { 1, 13 } },
                         { { 1, 13 } }, { { 2, 12 } }, { { 2, 12 } }, { { 3, 11 } }, { { 4, 10 } }, { { 5, 9 } },
                         { { 6, 8 } }, {}, {} };
const Row kBorder[16] = { {}, {}, {}, { { 3, 5 }, { 9, 11 } }, { { 2, 2 }, { 6, 6 }, { 8, 8 }, { 12, 12 } },
                          { { 1, 1 }, { 7, 7 }, { 13, 13 } }, { { 1, 1 }, { 13, 13 } }, { { 1, 1 }, { 13, 13 } },
                          { { 2, 2 }, { 12, 12 } }, { { 2, 2 }, { 12, 12 } }, { { 3, 3 }, { 11, 11 } },
                          { { 4, 4 }, { 10, 10 } }, { { 5, 5 }, { 9, 9 } }, { { 6, 8 } }, {}, {} };

bool inRow(const Row& row, int column)
{
    return std::any_of(row.begin(), row.end(), [&](Span s) { return column >= s.first && column <= s.last; });
}

const video::SColor kWhite(255, 255, 255, 255), kRed(255, 255, 0, 0), kBlack(255, 0, 0, 0);

} // namespace

TEST(EfxShape4, HundredAndOneSquaresThirtyWhiteSeventyOneRed)
{
    int white = 0, red = 0;
    for (int row = 0; row < 16; ++row)
        for (int column = 0; column < 16; ++column) {
            video::SColor colour;
            ASSERT_EQ(EfxShape4::cell(row, column, colour), inRow(kHeart[row], column)) << row << "," << column;
            if (!inRow(kHeart[row], column))
                continue;
            EXPECT_EQ(colour, inRow(kBorder[row], column) ? kWhite : kRed) << row << "," << column;
            (colour == kWhite ? white : red) += 1;
        }
    EXPECT_EQ(white, 30);
    EXPECT_EQ(red, 71);
}

TEST(EfxShape4, SquareAtRow3Column3OnTheFirstFrame)
{
    const core::matrix4 world = EfxShape4::squareWorld(3, 3, 0.0f);
    const double s = 1 - 0.5 * std::sin(1.8);   // about 0.513
    core::vector3df centre(0, 0, -1), corner(1, 1, -1);
    world.transformVect(centre);
    world.transformVect(corner);
    EXPECT_NEAR(centre.Z, -2.45, 1e-2);
    EXPECT_NEAR(centre.Z, -5 * std::sin(s), 1e-4);
    EXPECT_NEAR(centre.X, -16.0, 1e-4);
    EXPECT_NEAR(centre.Y, -16.0, 1e-4);
    EXPECT_NEAR(corner.X - centre.X, s, 1e-5);   // side 2s
    EXPECT_NEAR(corner.Y - centre.Y, s, 1e-5);
    // Scaling writes only the diagonal: no shear, the translation kept.
    for (int k : { 1, 2, 3, 4, 6, 7, 8, 9, 11 })
        EXPECT_EQ(world[k], 0.0f) << k;
}

// Unlit, opaque vertex colours on black: only black, red and white. Row 0 shows at the top:
// the heart is wide above and runs to a narrow tip below. The light travels along world +Z.
TEST(EfxShape4GL, OnlyBlackRedAndWhiteHeartUpright)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    SceneRig rig(testing_support::Backend::OpenGL, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    EfxShape4 scene;
    scene.init();
    for (float dt : { 0.0f, 1.3f, 1.6f, 2.9f }) {
        const testing_support::Frame frame = rig.frame(scene, dt);
        int white = 0, red = 0, top = 480, bottom = -1, width[480];
        for (int y = 0; y < 480; ++y) {
            int left = 640, right = -1;
            for (int x = 0; x < 640; ++x) {
                const video::SColor c = frame.at(x, y);
                ASSERT_TRUE(sameColour(c, kWhite) || sameColour(c, kRed) || sameColour(c, kBlack)) << x << "," << y;
                if (sameColour(c, kBlack))
                    continue;
                (sameColour(c, kWhite) ? white : red) += 1;
                left = std::min(left, x);
                right = x;
            }
            width[y] = right - left;
            if (right >= 0) {
                top = std::min(top, y);
                bottom = y;
            }
        }
        EXPECT_GT(white, 1000) << dt;
        EXPECT_GT(red, white) << dt;
        ASSERT_LT(top, bottom) << dt;
        const int height = bottom - top;
        EXPECT_GT(*std::max_element(width + top, width + top + height / 2),
                  2 * *std::max_element(width + bottom - height / 8, width + bottom + 1)) << dt;
    }

    core::matrix4 view;   // the last frame's camera
    const float t = 0.0f + 1.3f + 1.6f + 2.9f;
    view.buildCameraLookAtMatrixLH(core::vector3df(4 * std::sin(t), 4 * std::cos(t), -20.5f),
                                   core::vector3df(0, 0, 0), core::vector3df(0, -1, 0));
    const core::vector3df expected = testing_support::eyeDirection(view, core::vector3df(0, 0, 1));
    const core::vector3df travel = testing_support::glLight0Travel();
    EXPECT_NEAR(travel.X, expected.X, 1e-4);
    EXPECT_NEAR(travel.Y, expected.Y, 1e-4);
    EXPECT_NEAR(travel.Z, expected.Z, 1e-4);
}
