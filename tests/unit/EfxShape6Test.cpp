#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "SceneRig.h"
#include "effects/EfxShape6.h"

using namespace irr;
using testing_support::Backend;
using testing_support::SceneRig;
using testing_support::Frame;
using testing_support::near;
using testing_support::rgb;
using veko::EfxShape6;

namespace {

const video::SColor kBlack(255, 0, 0, 0);
const video::SColor kWhite(255, 255, 255, 255);
const video::SColor kDarkGreen(255, 16, 64, 0);
const video::SColor kTileColor(255, 240, 160, 40);
const video::SColor kLogoColor(255, 0, 0, 220);

TEST(EfxShape6Layout, TilesBlinkBlackForTheFirstHalfOfEverySecond)
{
    EXPECT_EQ(EfxShape6::tileTint(0.0f), kBlack);
    EXPECT_EQ(EfxShape6::tileTint(std::nextafter(0.5f, 0.0f)), kBlack);
    EXPECT_EQ(EfxShape6::tileTint(0.5f), kWhite);
    EXPECT_EQ(EfxShape6::tileTint(0.99f), kWhite);
    EXPECT_EQ(EfxShape6::tileTint(1.0f), kBlack);
    EXPECT_EQ(EfxShape6::tileTint(7.6f), kWhite);
}

TEST(EfxShape6Layout, LogoGrowsInASawTooth)
{
    EXPECT_EQ(EfxShape6::logoRect(0.0f), core::rect<s32>(300, 225, 340, 255));
    EXPECT_EQ(EfxShape6::logoRect(0.5f), core::rect<s32>(195, 146, 444, 333));   // s = 124.5
    // Largest just before each multiple of 0.31 s, smallest again at it.
    const f32 beforeFirst = std::nextafter(0.31f, 0.0f);
    EXPECT_EQ(EfxShape6::logoRect(beforeFirst), core::rect<s32>(129, 97, 510, 382));
    EXPECT_EQ(EfxShape6::logoRect(0.31f), core::rect<s32>(300, 225, 340, 255));
    const core::rect<s32> beforeThird = EfxShape6::logoRect(std::nextafter(3 * 0.31f, 0.0f));
    EXPECT_NEAR(beforeThird.UpperLeftCorner.X, 129, 1);
    EXPECT_NEAR(beforeThird.LowerRightCorner.Y, 382, 1);
}

// Under OpenGL, with a tile texture whose sampled 32x8 corner is opaque on the left and
// clear on the right, so the background shows through the right half of every tile.
class EfxShape6Picture : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testing_support::haveDisplay())
            GTEST_SKIP() << "no X display";
        rig.reset(new SceneRig(Backend::OpenGL));
        ASSERT_NE(rig->device, nullptr);
        rig->addTexture("../data/textures/veko.png", 64, 64, [](u32 x, u32 y) {
            if (x >= 32 || y >= 8)
                return video::SColor(255, 255, 0, 255);   // never sampled
            return x < 16 ? kTileColor : video::SColor(0, 0, 0, 0);
        });
        rig->addSolidTexture("../data/textures/zuli!.png", 512, 256, kLogoColor);
        scene.init();
    }

    std::unique_ptr<SceneRig> rig;
    EfxShape6 scene;
};

TEST_F(EfxShape6Picture, FirstFrameHasBlackTilesAndTheSmallestLogo)
{
    const Frame frame = rig->play(scene, { 0.0f });
    EXPECT_TRUE(near(frame.at(10, 10), kBlack)) << rgb(frame.at(10, 10));
    EXPECT_TRUE(near(frame.at(100, 10), kDarkGreen)) << rgb(frame.at(100, 10));
    EXPECT_TRUE(near(frame.at(639, 479), kDarkGreen)) << rgb(frame.at(639, 479));
    EXPECT_TRUE(near(frame.at(300, 225), kLogoColor)) << rgb(frame.at(300, 225));
    EXPECT_TRUE(near(frame.at(339, 254), kLogoColor)) << rgb(frame.at(339, 254));
    EXPECT_FALSE(near(frame.at(299, 240), kLogoColor));
    EXPECT_FALSE(near(frame.at(340, 240), kLogoColor));
    EXPECT_FALSE(near(frame.at(320, 224), kLogoColor));
    EXPECT_FALSE(near(frame.at(320, 255), kLogoColor));
}

TEST_F(EfxShape6Picture, SecondHalfShowsTheTilesUntinted)
{
    const Frame frame = rig->play(scene, { 0.0f, 0.75f });
    // Each texel of the 32x8 corner becomes a 4x7.5 block: opaque up to x = 64 in each tile.
    for (s32 j = 0; j < 5; ++j) {
        EXPECT_TRUE(near(frame.at(128 * j, 0), kTileColor)) << j << rgb(frame.at(128 * j, 0));
        EXPECT_TRUE(near(frame.at(128 * j + 63, 59), kTileColor)) << j;
        EXPECT_TRUE(near(frame.at(128 * j + 64, 59), kDarkGreen)) << j << rgb(frame.at(128 * j + 64, 59));
    }
    EXPECT_TRUE(near(frame.at(0, 475), kTileColor)) << rgb(frame.at(0, 475));
    EXPECT_EQ(EfxShape6::logoRect(0.75f), core::rect<s32>(228, 171, 411, 308));   // s = 91.5
    EXPECT_TRUE(near(frame.at(228, 171), kLogoColor)) << rgb(frame.at(228, 171));
    EXPECT_TRUE(near(frame.at(410, 307), kLogoColor)) << rgb(frame.at(410, 307));
    EXPECT_FALSE(near(frame.at(227, 171), kLogoColor));
    EXPECT_FALSE(near(frame.at(411, 307), kLogoColor));
}

TEST_F(EfxShape6Picture, MissingTexturesLeaveTheBackground)
{
    testing_support::EmptyWorkingDirectory noData;
    ASSERT_TRUE(noData.entered());
    rig->driver->removeAllTextures();
    EfxShape6 bare;
    bare.init();
    const Frame frame = rig->play(bare, { 0.0f, 0.75f });
    EXPECT_TRUE(near(frame.at(0, 0), kDarkGreen)) << rgb(frame.at(0, 0));
    EXPECT_TRUE(near(frame.at(320, 240), kDarkGreen)) << rgb(frame.at(320, 240));
}

} // namespace
