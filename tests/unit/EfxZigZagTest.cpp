#include <gtest/gtest.h>

#include <cmath>

#include "effects/EfxZigZag.h"
#include "SceneRig.h"

using namespace irr;
using testing_support::SceneRig;
using testing_support::sameColour;
using veko::EfxZigZag;

namespace {

// Angle of vertex b about the centre minus that of vertex a, in degrees 0..360.
double turn(const video::S3DVertex& a, const video::S3DVertex& b)
{
    const double d = std::atan2(b.Pos.Y, b.Pos.X) - std::atan2(a.Pos.Y, a.Pos.X);
    return std::fmod(d * 180.0 / M_PI + 720.0, 360.0);
}

} // namespace

TEST(EfxZigZag, RibbonIndicesWalkTheStripTwoTrianglesAStep)
{
    static_assert(EfxZigZag::kArmVertexCount == 102 && EfxZigZag::kArmIndexCount == 300, "strip size");
    u16 indices[EfxZigZag::kArmIndexCount];
    EfxZigZag::buildArmIndices(indices);
    const u16 first[6] = { 0, 1, 2, 1, 3, 2 }, last[6] = { 98, 99, 100, 99, 101, 100 };
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(indices[k], first[k]);
        EXPECT_EQ(indices[294 + k], last[k]);
        EXPECT_EQ(indices[6 * 17 + k], first[k] + 34);
    }
}

TEST(EfxZigZag, ArmsStart72DegreesApartTurnWithHalfThePhaseAndCarryTheWholePhaseInV)
{
    const core::vector2df origin(0, 0);
    video::S3DVertex arm0[102], arm1[102], turned[102];
    EfxZigZag::buildArm(0.0f, origin, 0, arm0);
    EfxZigZag::buildArm(0.0f, origin, 1, arm1);
    EfxZigZag::buildArm(2.0f, origin, 0, turned);
    // From step 10 on the radius is positive, so a vertex lies at its angle.
    for (int j = 10; j < 51; j += 8) {
        EXPECT_NEAR(turn(arm0[2 * j], arm1[2 * j]), 72.0, 1e-3);
        EXPECT_NEAR(turn(arm0[2 * j], turned[2 * j]), 180.0 / M_PI, 1e-3);
        EXPECT_NEAR(turned[2 * j + 1].Pos.X, 0.95f * turned[2 * j].Pos.X, 1e-5);
        EXPECT_FLOAT_EQ(turned[2 * j].TCoords.Y, j / 8.0f + 2.0f);
        EXPECT_EQ(turned[2 * j + 1].TCoords, core::vector2df(1.0f, j / 8.0f + 2.0f));
    }
}

// Near the centre the wobble outweighs the growth: the vertex pair lies on the far side.
TEST(EfxZigZag, NegativeRadiusNearTheCentre)
{
    const core::vector2df centre(0.3f, 0.0f);
    video::S3DVertex v[102];
    EfxZigZag::buildArm(0.0f, centre, 0, v);
    const double theta = 3 * 3.14159 / 20, r = std::sin(7.5 * theta) + 3 / 9.4;
    ASSERT_LT(r, 0.0);
    const double along = (v[6].Pos.X - centre.X) * std::cos(theta) + v[6].Pos.Y * std::sin(theta);
    EXPECT_NEAR(along, r, 1e-5);
}

TEST(EfxZigZag, SpriteRectangles)
{
    EXPECT_EQ(EfxZigZag::spriteRect(0.0f), core::rect<s32>(-280, -360, 920, 840));
    EXPECT_EQ(EfxZigZag::spriteRect(0.25f), core::rect<s32>(-130, -210, 770, 690));
    EXPECT_EQ(EfxZigZag::spriteRect(1.375f), core::rect<s32>(132, 52, 507, 427));   // 132.5, 507.5 truncated
    EXPECT_EQ(EfxZigZag::spriteRect(1.25f), core::rect<s32>(95, 15, 545, 465));     // 1.25 itself: not doubled
    // Half side 523.83: -203.83 becomes -203 (toward zero), not -204.
    EXPECT_EQ(EfxZigZag::spriteRect(0.12695f), core::rect<s32>(-203, -283, 843, 763));
}

TEST(EfxZigZag, EachFrameDrawsFifteenRibbonsOfAHundredTriangles)
{
    SceneRig rig(testing_support::Backend::Null, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    EfxZigZag scene;
    scene.init();
    rig.env->addTime(31.0f);
    rig.frame(scene, 0.0f);
    EXPECT_EQ(rig.driver->getPrimitiveCountDrawn(), 1500u);
}

// At L = 1.375 the sprite covers (132, 52, 507, 427); beside it the grey band shows between
// the ribbons, above and below it the pale yellow. The frame flips at fmod(T, 1) = 0.5.
TEST(EfxZigZagGL, GreyBandShowsWhereTheSpriteLeavesItUncovered)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    SceneRig rig(testing_support::Backend::OpenGL, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    const video::SColor yellow(255, 255, 255, 140), grey(255, 92, 92, 92), blue(255, 0, 0, 255);
    const video::SColor green(255, 0, 255, 0), magenta(255, 255, 0, 255);
    rig.addSolidTexture("../data/textures/rabbit1.png", 32, 32, green);
    rig.addSolidTexture("../data/textures/rabbit2.png", 32, 32, magenta);
    rig.addSolidTexture("../data/textures/stripes4.png", 32, 32, blue);
    EfxZigZag scene;
    scene.init();
    rig.env->addTime(30.75f);
    rig.frame(scene, 0.0f);
    const testing_support::Frame frame = rig.frame(scene, 1.375f);

    int greyBeside = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const video::SColor c = frame.at(x, y);
            if (x > 132 && x < 506 && y > 52 && y < 426) {
                ASSERT_TRUE(sameColour(c, green)) << x << "," << y;
            } else if (x < 131 || x > 507 || y < 51 || y > 427) {
                const bool inBand = y >= 140 && y < 380;
                ASSERT_TRUE(sameColour(c, blue) || sameColour(c, inBand ? grey : yellow)) << x << "," << y;
                greyBeside += sameColour(c, grey);
            }
        }
    EXPECT_GT(greyBeside, 131 * 240);   // more than half the band beside the sprite

    rig.env->addTime(0.75f);   // T = 31.5
    EXPECT_TRUE(sameColour(rig.frame(scene, 0.0f).at(320, 240), magenta));
}
