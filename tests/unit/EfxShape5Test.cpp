#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "SceneRig.h"
#include "effects/EfxShape5.h"

using namespace irr;
using testing_support::Backend;
using testing_support::SceneRig;
using testing_support::Frame;
using testing_support::near;
using testing_support::rgb;
using veko::EfxShape5;

namespace {

const video::SColor kPink(255, 255, 222, 230);
const video::SColor kBackColor(255, 20, 20, 90);
const video::SColor kCat1(255, 220, 0, 0);
const video::SColor kCat2(255, 0, 180, 0);
const video::SColor kFood[3] = { video::SColor(255, 250, 250, 0), video::SColor(255, 0, 230, 230),
                                 video::SColor(255, 200, 0, 200) };
const video::SColor kWhite(255, 255, 255, 255);

f32 below(f32 t)
{
    return std::nextafter(t, 0.0f);
}

TEST(EfxShape5Layout, FirstFrame)
{
    EXPECT_EQ(EfxShape5::catFrame(0), 0);
    EXPECT_EQ(EfxShape5::foodIndex(0), 0);
    EXPECT_EQ(EfxShape5::catRect(0), core::rect<s32>(40, 160, 200, 320));
    EXPECT_EQ(EfxShape5::foodRect(0, 0), core::rect<s32>(200, 208, 264, 272));
    EXPECT_EQ(EfxShape5::foodRect(0, 1), core::rect<s32>(254, 172, 337, 256));   // bob 25.2, grow 9.97
    EXPECT_EQ(EfxShape5::heartRect(0, 0), core::rect<s32>(60, 80, 130, 150));
    EXPECT_EQ(EfxShape5::heartRect(0, 1), core::rect<s32>(97, 143, 200, 246));
    EXPECT_EQ(EfxShape5::heartRect(0, 2), core::rect<s32>(149, 81, 256, 188));
}

TEST(EfxShape5Layout, CatSwellsOnASlowSine)
{
    EXPECT_EQ(EfxShape5::catRect(core::HALF_PI), core::rect<s32>(20, 140, 220, 340));
    EXPECT_EQ(EfxShape5::catRect(3 * core::HALF_PI), core::rect<s32>(60, 180, 180, 300));
}

TEST(EfxShape5Layout, FramesSwitchOnTheirBeats)
{
    EXPECT_EQ(EfxShape5::catFrame(below(0.25f)), 0);
    EXPECT_EQ(EfxShape5::catFrame(0.25f), 1);
    EXPECT_EQ(EfxShape5::catFrame(0.5f), 0);
    EXPECT_EQ(EfxShape5::catFrame(0.75f), 1);

    EXPECT_EQ(EfxShape5::foodIndex(below(1.0f / 3)), 0);
    EXPECT_EQ(EfxShape5::foodIndex(1.0f / 3), 1);
    EXPECT_EQ(EfxShape5::foodIndex(2.0f / 3), 2);
    EXPECT_EQ(EfxShape5::foodIndex(1.0f), 0);
}

TEST(EfxShape5Layout, ConveyorJumpsBackEvery064Seconds)
{
    // The shift runs up to 63 pixels and wraps to 0 when 100 t reaches 64.
    EXPECT_EQ(EfxShape5::foodRect(below(0.64f), 0).UpperLeftCorner.X, 137);
    EXPECT_EQ(EfxShape5::foodRect(0.64f, 0).UpperLeftCorner.X, 200);
}

// Under OpenGL with one-colour stand-ins; the backdrop covers only the upper left quarter.
class EfxShape5Picture : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testing_support::haveDisplay())
            GTEST_SKIP() << "no X display";
        rig.reset(new SceneRig(Backend::OpenGL));
        ASSERT_NE(rig->device, nullptr);
        rig->addSolidTexture("../data/textures/katze1.png", 256, 256, kCat1);
        rig->addSolidTexture("../data/textures/katze2.png", 256, 256, kCat2);
        rig->addSolidTexture("../data/textures/food1.png", 128, 128, kFood[0]);
        rig->addSolidTexture("../data/textures/food2.png", 128, 128, kFood[1]);
        rig->addSolidTexture("../data/textures/food3.png", 128, 128, kFood[2]);
        // Only the top left 16x16 of the heart is sampled.
        rig->addTexture("../data/textures/hearticle.png", 32, 32, [](u32 x, u32 y) {
            return x < 16 && y < 16 ? kWhite : video::SColor(255, 0, 0, 0);
        });
        rig->addSolidTexture("../data/textures/starback.png", 320, 240, kBackColor);
        scene.init();
    }

    Frame at(f32 t) { return rig->play(scene, { 0.0f, t }); }

    std::unique_ptr<SceneRig> rig;
    EfxShape5 scene;
};

TEST_F(EfxShape5Picture, FirstFrameLayersInOrder)
{
    const Frame frame = rig->play(scene, { 0.0f });
    EXPECT_TRUE(near(frame.at(600, 20), kPink)) << rgb(frame.at(600, 20));
    EXPECT_TRUE(near(frame.at(319, 20), kBackColor)) << rgb(frame.at(319, 20));
    EXPECT_TRUE(near(frame.at(320, 20), kPink)) << rgb(frame.at(320, 20));
    // Cat edge, then the first food item over the cat's right edge.
    EXPECT_TRUE(near(frame.at(39, 300), kPink)) << rgb(frame.at(39, 300));
    EXPECT_TRUE(near(frame.at(40, 300), kCat1)) << rgb(frame.at(40, 300));
    EXPECT_TRUE(near(frame.at(199, 300), kCat1)) << rgb(frame.at(199, 300));
    EXPECT_TRUE(near(frame.at(200, 240), kFood[0])) << rgb(frame.at(200, 240));
    EXPECT_TRUE(near(frame.at(263, 271), kFood[0])) << rgb(frame.at(263, 271));
    EXPECT_TRUE(near(frame.at(215, 272), kPink)) << rgb(frame.at(215, 272));
    // Hearts come last: the second covers the cat.
    EXPECT_TRUE(near(frame.at(60, 80), kWhite)) << rgb(frame.at(60, 80));
    EXPECT_TRUE(near(frame.at(129, 149), kWhite)) << rgb(frame.at(129, 149));
    EXPECT_TRUE(near(frame.at(59, 80), kBackColor)) << rgb(frame.at(59, 80));
    EXPECT_TRUE(near(frame.at(150, 200), kWhite)) << rgb(frame.at(150, 200));
}

TEST_F(EfxShape5Picture, CatAndFoodChangeFrames)
{
    EXPECT_TRUE(near(at(0.25f).at(120, 300), kCat2));
    EfxShape5 later;
    later.init();
    EXPECT_TRUE(near(rig->play(later, { 0.0f, 0.5f }).at(120, 300), kCat1));

    for (int food = 1; food <= 3; ++food) {
        EfxShape5 fresh;
        fresh.init();
        const f32 t = food / 3.0f;
        const core::vector2di centre = EfxShape5::foodRect(t, 2).getCenter();
        const Frame frame = rig->play(fresh, { 0.0f, t });
        EXPECT_TRUE(near(frame.at(centre.X, centre.Y), kFood[food % 3])) << food << rgb(frame.at(centre.X, centre.Y));
    }
}

TEST_F(EfxShape5Picture, MissingTexturesLeaveTheBackground)
{
    testing_support::EmptyWorkingDirectory noData;
    ASSERT_TRUE(noData.entered());
    rig->driver->removeAllTextures();
    EfxShape5 bare;
    bare.init();
    const Frame frame = rig->play(bare, { 0.0f, 0.4f });
    EXPECT_TRUE(near(frame.at(0, 0), kPink)) << rgb(frame.at(0, 0));
    EXPECT_TRUE(near(frame.at(120, 240), kPink)) << rgb(frame.at(120, 240));
}

} // namespace
