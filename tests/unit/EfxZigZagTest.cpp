#include <gtest/gtest.h>

#include <cmath>

#include "effects/EfxZigZag.h"
#include "Scene3DRig.h"

using namespace irr;
using testing_support::Frame;
using testing_support::Scene3DRig;
using veko::EfxZigZag;

namespace {

bool sameColour(video::SColor a, video::SColor b)
{
    return a.getRed() == b.getRed() && a.getGreen() == b.getGreen() && a.getBlue() == b.getBlue();
}

// Angle of a vertex about the centre, in degrees 0..360.
double angleAbout(const core::vector2df& centre, const video::S3DVertex& v)
{
    const double a = std::atan2(v.Pos.Y - centre.Y, v.Pos.X - centre.X) * 180.0 / M_PI;
    return a < 0 ? a + 360.0 : a;
}

double angleDifference(double from, double to)
{
    return std::fmod(to - from + 720.0, 360.0);
}

} // namespace

TEST(EfxZigZagRibbon, IndicesWalkTheStripTwoTrianglesAStep)
{
    ASSERT_EQ(EfxZigZag::kArmVertexCount, 102);
    ASSERT_EQ(EfxZigZag::kArmIndexCount, 300);
    ASSERT_EQ(EfxZigZag::kArmTriangleCount, 100);
    u16 indices[EfxZigZag::kArmIndexCount];
    EfxZigZag::buildArmIndices(indices);

    const u16 first[6] = { 0, 1, 2, 1, 3, 2 };
    const u16 last[6] = { 98, 99, 100, 99, 101, 100 };
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(indices[k], first[k]);
        EXPECT_EQ(indices[294 + k], last[k]);
    }
    for (int k = 0; k < EfxZigZag::kArmIndexCount; ++k)
        ASSERT_LT(indices[k], EfxZigZag::kArmVertexCount);
    // Segment 17: outer, inner, next outer; inner, next inner, next outer.
    EXPECT_EQ(indices[6 * 17 + 0], 34);
    EXPECT_EQ(indices[6 * 17 + 1], 35);
    EXPECT_EQ(indices[6 * 17 + 2], 36);
    EXPECT_EQ(indices[6 * 17 + 3], 35);
    EXPECT_EQ(indices[6 * 17 + 4], 37);
    EXPECT_EQ(indices[6 * 17 + 5], 36);
}

TEST(EfxZigZagRibbon, InnerEdgeIsFivePercentInsideAndTheStripesSlideWithThePhase)
{
    const core::vector2df centre(0.5f, -0.25f);
    video::S3DVertex v[EfxZigZag::kArmVertexCount];
    EfxZigZag::buildArm(2.0f, centre, 3, v);
    for (int j = 0; j < 51; ++j) {
        const video::S3DVertex& outer = v[2 * j];
        const video::S3DVertex& inner = v[2 * j + 1];
        EXPECT_NEAR(inner.Pos.X - centre.X, 0.95f * (outer.Pos.X - centre.X), 1e-5);
        EXPECT_NEAR(inner.Pos.Y - centre.Y, 0.95f * (outer.Pos.Y - centre.Y), 1e-5);
        EXPECT_EQ(outer.Pos.Z, 0.0f);
        EXPECT_EQ(outer.TCoords.X, 0.0f);
        EXPECT_EQ(inner.TCoords.X, 1.0f);
        EXPECT_FLOAT_EQ(outer.TCoords.Y, j / 8.0f + 2.0f);
        EXPECT_EQ(inner.TCoords.Y, outer.TCoords.Y);
        EXPECT_EQ(outer.Normal, core::vector3df(0, 0, -1));
        EXPECT_EQ(outer.Color, video::SColor(255, 255, 255, 255));
    }
}

TEST(EfxZigZagRibbon, ArmsStart72DegreesApartAndTurnWithHalfThePhase)
{
    const core::vector2df centre(0.0f, 0.0f);
    video::S3DVertex arm0[EfxZigZag::kArmVertexCount], arm1[EfxZigZag::kArmVertexCount];
    video::S3DVertex turned[EfxZigZag::kArmVertexCount];
    EfxZigZag::buildArm(0.0f, centre, 0, arm0);
    EfxZigZag::buildArm(0.0f, centre, 1, arm1);
    EfxZigZag::buildArm(2.0f, centre, 0, turned);
    // From step 10 on the radius is positive, so the vertex lies at its angle.
    for (int j = 10; j < 51; j += 8) {
        EXPECT_NEAR(angleDifference(angleAbout(centre, arm0[2 * j]), angleAbout(centre, arm1[2 * j])), 72.0, 1e-3);
        EXPECT_NEAR(angleDifference(angleAbout(centre, arm0[2 * j]), angleAbout(centre, turned[2 * j])),
                    180.0 / M_PI, 1e-3);
    }
    // The last step: 450 degrees after the first, mean radius 50 / 9.4.
    const double last = std::hypot(arm0[100].Pos.X, arm0[100].Pos.Y);
    EXPECT_NEAR(last, 50 / 9.4, 1.0);
}

// Near the centre the wobble outweighs the growth: the vertex pair lies on the far side.
TEST(EfxZigZagRibbon, NegativeRadiusNearTheCentreCrossesOver)
{
    const core::vector2df centre(0.3f, 0.0f);
    video::S3DVertex v[EfxZigZag::kArmVertexCount];
    EfxZigZag::buildArm(0.0f, centre, 0, v);
    const double theta = 3 * 3.14159 / 20;
    const double r = std::sin(7.5 * theta) + 3 / 9.4;
    ASSERT_LT(r, 0.0);
    const video::S3DVertex& outer = v[6];
    const double along = (outer.Pos.X - centre.X) * std::cos(theta) + (outer.Pos.Y - centre.Y) * std::sin(theta);
    EXPECT_NEAR(along, r, 1e-5);
    EXPECT_LT(along, 0.0);
    // Step 0 sits on the centre.
    EXPECT_NEAR(v[0].Pos.X, centre.X, 1e-6);
    EXPECT_NEAR(v[0].Pos.Y, centre.Y, 1e-6);
}

TEST(EfxZigZagSprite, HalfSideFallsAndIsDoubledInTheFirstHalfOfEachCycle)
{
    EXPECT_EQ(EfxZigZag::spriteRect(0.0f), core::rect<s32>(-280, -360, 920, 840));
    EXPECT_EQ(EfxZigZag::spriteRect(0.25f), core::rect<s32>(-130, -210, 770, 690));
    // 132.5 and 507.5 are truncated.
    EXPECT_EQ(EfxZigZag::spriteRect(1.375f), core::rect<s32>(132, 52, 507, 427));
    // fmod(L, 2.5) of exactly 1.25 is not below 1.25: not doubled.
    EXPECT_EQ(EfxZigZag::spriteRect(1.25f), core::rect<s32>(95, 15, 545, 465));
    // Half side 523.83: -203.83 becomes -203 (toward zero), not -204.
    EXPECT_EQ(EfxZigZag::spriteRect(0.12695f), core::rect<s32>(-203, -283, 843, 763));
}

TEST(EfxZigZag, EachFrameDrawsFifteenRibbonsOfAHundredTriangles)
{
    Scene3DRig rig(false);
    ASSERT_TRUE(rig.ready());
    EfxZigZag scene;
    scene.init();
    rig.env->addTime(31.0f);
    rig.frame(scene, 0.0f);
    EXPECT_EQ(rig.driver->getPrimitiveCountDrawn(), 1500u);
    rig.env->addTime(7.3f);
    rig.frame(scene, 7.3f);
    EXPECT_EQ(rig.driver->getPrimitiveCountDrawn(), 1500u);
}

// With L = 1.375 the sprite covers (132, 52, 507, 427); left and right of it the grey band
// shows between the ribbons, above and below it the pale yellow.
TEST(EfxZigZagGL, GreyBandShowsWhereTheSpriteLeavesItUncovered)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    Scene3DRig rig(true);
    ASSERT_TRUE(rig.ready());
    const video::SColor yellow(255, 255, 255, 140), grey(255, 92, 92, 92), blue(255, 0, 0, 255);
    const video::SColor green(255, 0, 255, 0), magenta(255, 255, 0, 255);
    rig.addSolidTexture("../data/textures/rabbit1.png", 32, 32, green);
    rig.addSolidTexture("../data/textures/rabbit2.png", 32, 32, magenta);
    rig.addSolidTexture("../data/textures/stripes4.png", 32, 32, blue);
    EfxZigZag scene;
    scene.init();

    rig.env->addTime(30.75f);   // fmod(T, 1) above 0.5: the first frame
    rig.frame(scene, 0.0f);
    const Frame frame = rig.frame(scene, 1.375f);

    const core::rect<s32> sprite(132, 52, 507, 427);
    int greyBeside = 0, ribbon = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const video::SColor c = frame.at(x, y);
            const bool inside = x > sprite.UpperLeftCorner.X && x < sprite.LowerRightCorner.X - 1 &&
                                y > sprite.UpperLeftCorner.Y && y < sprite.LowerRightCorner.Y - 1;
            const bool outside = x < sprite.UpperLeftCorner.X - 1 || x > sprite.LowerRightCorner.X ||
                                 y < sprite.UpperLeftCorner.Y - 1 || y > sprite.LowerRightCorner.Y;
            const bool inBand = y >= 140 && y < 380;
            if (inside) {
                ASSERT_TRUE(sameColour(c, green)) << x << "," << y;
            } else if (outside) {
                ASSERT_TRUE(sameColour(c, blue) || sameColour(c, inBand ? grey : yellow))
                    << x << "," << y << " is " << c.getRed() << " " << c.getGreen() << " " << c.getBlue();
                greyBeside += sameColour(c, grey);
                ribbon += sameColour(c, blue);
            }
        }
    EXPECT_GT(greyBeside, 2 * 120 * 240 / 2);   // most of the band beside the sprite
    EXPECT_GT(ribbon, 1000);

    rig.env->addTime(0.75f);   // T = 31.5: fmod exactly 0.5 gives the second frame
    const Frame flipped = rig.frame(scene, 0.0f);
    EXPECT_TRUE(sameColour(flipped.at(320, 240), magenta));
}
