#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "effects/EfxShape4.h"
#include "Scene3DRig.h"

using namespace irr;
using testing_support::Frame;
using testing_support::Scene3DRig;
using veko::EfxShape4;

namespace {

const video::SColor kWhite(255, 255, 255, 255);
const video::SColor kRed(255, 255, 0, 0);

struct Span {
    int first, last;
};

// The heart row by row, as column spans: the whole of it and its border.
const std::vector<std::vector<Span>> kHeart = {
    {}, {}, {},
    { { 3, 5 }, { 9, 11 } }, { { 2, 6 }, { 8, 12 } },
    { { 1, 13 } }, { { 1, 13 } }, { { 1, 13 } },
    { { 2, 12 } }, { { 2, 12 } }, { { 3, 11 } }, { { 4, 10 } }, { { 5, 9 } }, { { 6, 8 } },
    {}, {},
};
const std::vector<std::vector<Span>> kBorder = {
    {}, {}, {},
    { { 3, 5 }, { 9, 11 } }, { { 2, 2 }, { 6, 6 }, { 8, 8 }, { 12, 12 } },
    { { 1, 1 }, { 7, 7 }, { 13, 13 } }, { { 1, 1 }, { 13, 13 } }, { { 1, 1 }, { 13, 13 } },
    { { 2, 2 }, { 12, 12 } }, { { 2, 2 }, { 12, 12 } }, { { 3, 3 }, { 11, 11 } }, { { 4, 4 }, { 10, 10 } },
    { { 5, 5 }, { 9, 9 } }, { { 6, 8 } },
    {}, {},
};

bool inSpans(const std::vector<Span>& spans, int column)
{
    for (const Span& span : spans)
        if (column >= span.first && column <= span.last)
            return true;
    return false;
}

bool sameColour(video::SColor a, video::SColor b)
{
    return a.getRed() == b.getRed() && a.getGreen() == b.getGreen() && a.getBlue() == b.getBlue();
}

} // namespace

TEST(EfxShape4Heart, HundredAndOneSquaresThirtyWhiteSeventyOneRed)
{
    int white = 0, red = 0;
    for (int row = 0; row < 16; ++row)
        for (int column = 0; column < 16; ++column) {
            video::SColor colour;
            const bool drawn = EfxShape4::cell(row, column, colour);
            ASSERT_EQ(drawn, inSpans(kHeart[row], column)) << row << "," << column;
            if (!drawn)
                continue;
            const bool border = inSpans(kBorder[row], column);
            EXPECT_EQ(colour, border ? kWhite : kRed) << row << "," << column;
            border ? ++white : ++red;
        }
    EXPECT_EQ(white, 30);
    EXPECT_EQ(red, 71);
}

TEST(EfxShape4Heart, SquareAtRow3Column3OnTheFirstFrame)
{
    const core::matrix4 world = EfxShape4::squareWorld(3, 3, 0.0f);
    const double s = 1 - 0.5 * std::sin(1.8);
    EXPECT_NEAR(s, 0.513, 1e-3);
    EXPECT_NEAR(world[0], s, 1e-5);
    EXPECT_NEAR(world[5], s, 1e-5);

    // The square's own plane z = -1 lands at depth -5 sin(s), its centre on the grid.
    core::vector3df centre(0, 0, -1), corner(1, 1, -1), opposite(-1, -1, -1);
    world.transformVect(centre);
    world.transformVect(corner);
    world.transformVect(opposite);
    EXPECT_NEAR(centre.Z, -5 * std::sin(s), 1e-4);
    EXPECT_NEAR(centre.Z, -2.45, 1e-2);
    EXPECT_NEAR(centre.X, -16.0, 1e-4);
    EXPECT_NEAR(centre.Y, -16.0, 1e-4);
    EXPECT_NEAR(corner.X - opposite.X, 2 * s, 1e-5);
    EXPECT_NEAR(corner.Y - opposite.Y, 2 * s, 1e-5);

    // Scaling writes only the diagonal: no shear, the translation kept.
    for (int k : { 1, 2, 3, 4, 6, 7, 8, 9, 11 })
        EXPECT_EQ(world[k], 0.0f) << k;
    EXPECT_EQ(world[15], 1.0f);
}

TEST(EfxShape4, EachFrameDrawsTwoTrianglesPerSquare)
{
    Scene3DRig rig(false);
    ASSERT_TRUE(rig.ready());
    EfxShape4 scene;
    scene.init();
    rig.frame(scene, 0.0f);
    EXPECT_EQ(rig.driver->getPrimitiveCountDrawn(), 202u);
    rig.frame(scene, 3.7f);
    EXPECT_EQ(rig.driver->getPrimitiveCountDrawn(), 202u);
}

// Unlit, opaque vertex colours on black: nothing but black, red and white on the screen.
// Row 0 shows at the top: the heart is wide at the top and runs to a narrow tip below.
TEST(EfxShape4GL, OnlyBlackRedAndWhiteAndTheHeartUpright)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    Scene3DRig rig(true);
    ASSERT_TRUE(rig.ready());
    EfxShape4 scene;
    scene.init();

    const float deltas[] = { 0.0f, 1.3f, 1.6f, 2.9f };
    for (float dt : deltas) {
        const Frame frame = rig.frame(scene, dt);
        int white = 0, red = 0, top = 480, bottom = -1;
        int rowWidth[480];
        for (int y = 0; y < 480; ++y) {
            int left = 640, right = -1;
            for (int x = 0; x < 640; ++x) {
                const video::SColor c = frame.at(x, y);
                const bool isWhite = sameColour(c, kWhite), isRed = sameColour(c, kRed);
                ASSERT_TRUE(isWhite || isRed || sameColour(c, video::SColor(255, 0, 0, 0)))
                    << x << "," << y << " is " << c.getRed() << " " << c.getGreen() << " " << c.getBlue();
                if (!isWhite && !isRed)
                    continue;
                white += isWhite;
                red += isRed;
                left = std::min(left, x);
                right = std::max(right, x);
            }
            rowWidth[y] = right - left;
            if (right >= 0) {
                top = std::min(top, y);
                bottom = y;
            }
        }
        EXPECT_GT(white, 1000) << dt;
        EXPECT_GT(red, white) << dt;
        ASSERT_LT(top, bottom) << dt;
        const int height = bottom - top;
        const int upper = *std::max_element(rowWidth + top, rowWidth + top + height / 2);
        const int tip = *std::max_element(rowWidth + bottom - height / 8, rowWidth + bottom + 1);
        EXPECT_GT(upper, 2 * tip) << dt;

        if (dt == 0.0f) {
            // The light was added under the frame's view, camera at (0, 4, -20.5): it travels
            // along world +Z.
            core::matrix4 view;
            view.buildCameraLookAtMatrixLH(core::vector3df(0, 4, -20.5f), core::vector3df(0, 0, 0),
                                           core::vector3df(0, -1, 0));
            EXPECT_TRUE(rig.driver->getTransform(video::ETS_VIEW).equals(view));
            const core::vector3df travel = testing_support::glLight0Travel();
            const core::vector3df expected = testing_support::eyeDirection(view, core::vector3df(0, 0, 1));
            EXPECT_NEAR(travel.X, expected.X, 1e-5);
            EXPECT_NEAR(travel.Y, expected.Y, 1e-5);
            EXPECT_NEAR(travel.Z, expected.Z, 1e-5);
        }
    }
}
