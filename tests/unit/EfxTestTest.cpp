#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SceneRig.h"
#include "effects/EfxTest.h"
#include "env/Env.h"
#include "framework/Random.h"

using namespace irr;
using testing_support::Backend;
using testing_support::SceneRig;
using testing_support::Frame;
using testing_support::near;
using testing_support::rgb;
using veko::EfxTest;
using veko::Random;

namespace {

const video::SColor kBlack(255, 0, 0, 0);
const video::SColor kYellow(255, 255, 255, 0);
const video::SColor kPink(255, 255, 128, 255);
const video::SColor kGridColor(255, 0, 200, 0);
const video::SColor kLogoColor(255, 0, 0, 220);

TEST(Random, FirstDrawsFromSeedOne)
{
    Random random;
    const s32 expected[8] = { 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358 };
    for (s32 value : expected)
        EXPECT_EQ(random.next(), value);
}

TEST(EfxTestStars, FirstTwoStarsOfTheBurst)
{
    Random random(1);
    const EfxTest::Star first = EfxTest::makeStar(random);
    EXPECT_EQ(first.position, core::vector3df(111, 307, 0));
    EXPECT_EQ(first.velocity, core::vector3df(-41, -175, -1));
    EXPECT_EQ(first.color, video::SColor(255, 255, 128, 128));
    EXPECT_EQ(first.halfSize, 38.0f);
    EXPECT_NEAR(first.angle, 198 * core::DEGTORAD, 1e-4);

    const EfxTest::Star second = EfxTest::makeStar(random);
    EXPECT_EQ(second.position, core::vector3df(532, 224, 0));
    EXPECT_EQ(second.velocity, core::vector3df(80, -170, -9));
    EXPECT_EQ(second.color, video::SColor(255, 255, 128, 255));
    EXPECT_EQ(second.halfSize, 41.0f);
    EXPECT_NEAR(second.angle, 131 * core::DEGTORAD, 1e-4);
}

TEST(EfxTestLayout, NothingShowsOnTheFirstFrame)
{
    EXPECT_EQ(EfxTest::stripeHeight(0, 0), 0);
    for (s32 m = 0; m < 8; ++m)
        for (s32 n = 0; n < 12; ++n) {
            const core::rect<s32> r = EfxTest::gridRect(0, m, n, 0, 0, -1);
            EXPECT_EQ(r.getWidth(), 0);
            EXPECT_EQ(r.getHeight(), 0);
        }
}

TEST(EfxTestLayout, StripesGrowThenThickenWithTheFlash)
{
    EXPECT_EQ(EfxTest::stripeHeight(1.0f, 0), 32);
    EXPECT_EQ(EfxTest::stripeHeight(0.5f, 0.5f), 24);
    EXPECT_EQ(EfxTest::stripeHeight(2.0f, 0), 64);
    EXPECT_EQ(EfxTest::stripeHeight(9.0f, 0.99f), 79);   // truncated
}

TEST(EfxTestLayout, GridRowsFadeInByParityAndScrollApart)
{
    // Odd rows fade in over 2.01..2.31 s, even rows over 4.537..4.837 s.
    EXPECT_EQ(EfxTest::gridRect(2.0f, 1, 0, 0, 0, -1).getWidth(), 0);
    EXPECT_GT(EfxTest::gridRect(2.4f, 1, 0, 0, 0, -1).getWidth(), 30);
    EXPECT_EQ(EfxTest::gridRect(4.5f, 0, 0, 0, 0, -1).getWidth(), 0);
    EXPECT_GT(EfxTest::gridRect(4.9f, 0, 0, 0, 0, -1).getWidth(), 30);

    // Fully faded at sin(3t) = 0: 33.6 pixels. Even rows sit at scroll - 64, odd rows at
    // -scroll; coordinates left of the screen are truncated toward zero.
    const f32 t = 5 * core::PI / 3;
    EXPECT_EQ(EfxTest::gridRect(t, 0, 0, 0, 0, -1), core::rect<s32>(-48, 15, -15, 48));
    EXPECT_EQ(EfxTest::gridRect(t, 1, 0, 10, 0, -1), core::rect<s32>(5, 79, 38, 112));
    EXPECT_EQ(EfxTest::gridRect(t, 2, 1, 10, 0, -1), core::rect<s32>(25, 143, 58, 176));
    // The last row is centred on the bottom edge.
    const core::rect<s32> bottom = EfxTest::gridRect(t, 7, 3, 0, 0, -1);
    EXPECT_EQ(bottom.UpperLeftCorner.Y, 463);
    EXPECT_EQ(bottom.LowerRightCorner.Y, 496);
}

TEST(EfxTestLayout, FlashSwellsEvenOrOddColumnsByTheLastCue)
{
    // Before the rows fade in only the pulse shows: flash x 16 pixels.
    EXPECT_EQ(EfxTest::gridRect(1.0f, 0, 1, 0, 0.5f, -1).getWidth(), 8);
    EXPECT_EQ(EfxTest::gridRect(1.0f, 0, 2, 0, 0.5f, -1).getWidth(), 0);
    EXPECT_EQ(EfxTest::gridRect(1.0f, 0, 2, 0, 0.5f, 0).getWidth(), 8);
    EXPECT_EQ(EfxTest::gridRect(1.0f, 0, 1, 0, 0.5f, 0).getWidth(), 0);
    EXPECT_EQ(EfxTest::gridRect(1.0f, 0, 1, 0, 0.5f, 3).getWidth(), 8);
}

// The scene's logic on the null driver, which draws nothing.
class EfxTestLogic : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = testing_support::createNullDevice();
        ASSERT_NE(device, nullptr);
        env = new veko::Env(device);
        scene.init();
    }
    void TearDown() override
    {
        delete env;
        device->drop();
    }
    void frames(std::initializer_list<float> deltas)
    {
        for (float dt : deltas)
            scene.idle(dt);
    }

    IrrlichtDevice* device = nullptr;
    veko::Env* env = nullptr;
    EfxTest scene;
};

TEST_F(EfxTestLogic, CueFiresOnceInsideItsWindow)
{
    frames({ 0.0f, 2.52f });   // steps over the first bar's cues: none fires
    EXPECT_EQ(scene.flash(), 0.0f);
    EXPECT_EQ(scene.lastCue(), -1);

    frames({ 0.01f });   // t = 2.53, inside the window after 2.526
    EXPECT_EQ(scene.lastCue(), 0);
    EXPECT_FLOAT_EQ(scene.flash(), 0.99f);

    frames({ 0.01f });   // still inside: no second flash
    EXPECT_FLOAT_EQ(scene.flash(), 0.98f);

    frames({ 0.62f });   // t = 3.16, just before the cue at 3.161
    EXPECT_EQ(scene.lastCue(), 0);
    frames({ 0.01f });
    EXPECT_EQ(scene.lastCue(), 1);
    EXPECT_FLOAT_EQ(scene.flash(), 0.99f);

    frames({ 2.0f });   // the flash runs out at 0, not below
    EXPECT_EQ(scene.flash(), 0.0f);
}

TEST_F(EfxTestLogic, LongFrameMissesACue)
{
    frames({ 0.0f, 2.52f, 0.03f });   // 2.52 to 2.55 jumps over 2.526..2.546
    EXPECT_EQ(scene.lastCue(), -1);
    EXPECT_EQ(scene.flash(), 0.0f);
}

TEST_F(EfxTestLogic, BurstComesOnceAfterThreeBarsAndFlies)
{
    Random::shared() = Random(1);
    frames({ 0.0f, 3 * 2.526f });
    EXPECT_TRUE(scene.stars().empty());   // the test is strict

    frames({ 0.1f });   // t = 7.678: the burst is drawn, then moves by 2 x 0.1 s
    ASSERT_EQ(scene.stars().size(), 150u);
    const EfxTest::Star& first = scene.stars()[0];
    EXPECT_FLOAT_EQ(first.position.X, 111 - 41 * 0.2f);
    EXPECT_FLOAT_EQ(first.position.Y, 307 - 175 * 0.2f);   // with the speed before gravity
    EXPECT_FLOAT_EQ(first.velocity.Y, -175 + 200 * 0.2f);
    EXPECT_NEAR(first.angle, 198 * core::DEGTORAD - 0.2f, 1e-4);

    frames({ 0.1f, 0.1f });
    EXPECT_EQ(scene.stars().size(), 150u);
}

// The picture under OpenGL, with stand-in textures of one colour each.
class EfxTestPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testing_support::haveDisplay())
            GTEST_SKIP() << "no X display";
        rig.reset(new SceneRig(Backend::OpenGL));
        ASSERT_NE(rig->device, nullptr);
        rig->addSolidTexture("../data/textures/katze.png", 256, 256, kGridColor);
        rig->addSolidTexture("../data/textures/zuli!.png", 512, 256, kLogoColor);
        rig->addSolidTexture("../data/textures/starticle.png", 32, 32, video::SColor(255, 255, 255, 255));
        scene.init();
    }

    std::unique_ptr<SceneRig> rig;
    EfxTest scene;
};

TEST_F(EfxTestPicture, StripesGrowOverBlack)
{
    const Frame frame = rig->play(scene, { 0.0f, 1.0f });   // 32 pixels high
    EXPECT_TRUE(near(frame.at(320, 15), kBlack)) << rgb(frame.at(320, 15));
    EXPECT_TRUE(near(frame.at(320, 16), kYellow)) << rgb(frame.at(320, 16));
    EXPECT_TRUE(near(frame.at(320, 47), kYellow)) << rgb(frame.at(320, 47));
    EXPECT_TRUE(near(frame.at(320, 48), kBlack)) << rgb(frame.at(320, 48));
    EXPECT_TRUE(near(frame.at(0, 100), kPink)) << rgb(frame.at(0, 100));
    EXPECT_TRUE(near(frame.at(639, 464), kPink)) << rgb(frame.at(639, 464));   // last stripe, upper half
}

TEST_F(EfxTestPicture, StripesTurnBlackDuringAFlash)
{
    EfxTest quiet;
    quiet.init();
    const Frame before = rig->play(quiet, { 0.0f, 2.52f });
    const Frame flash = rig->play(scene, { 0.0f, 2.52f, 0.01f });
    EXPECT_TRUE(near(before.at(320, 5), kYellow)) << rgb(before.at(320, 5));
    EXPECT_TRUE(near(flash.at(320, 5), kBlack)) << rgb(flash.at(320, 5));
}

TEST_F(EfxTestPicture, GridRowsScrollWithTheShowClock)
{
    rig->env->addTime(0.25f);   // 16 pixels of scroll: even rows at x = 64n - 16, odd rows at 64n + 16
    const Frame frame = rig->play(scene, { 0.0f, 5.0f });
    const core::rect<s32> cell = EfxTest::gridRect(5.0f, 0, 1, 16, 0, -1);
    EXPECT_EQ(cell, core::rect<s32>(28, 12, 67, 51));
    EXPECT_TRUE(near(frame.at(cell.UpperLeftCorner.X, 32), kGridColor)) << rgb(frame.at(cell.UpperLeftCorner.X, 32));
    EXPECT_TRUE(near(frame.at(cell.UpperLeftCorner.X - 1, 32), kYellow));
    EXPECT_TRUE(near(frame.at(cell.LowerRightCorner.X - 1, 32), kGridColor));
    EXPECT_TRUE(near(frame.at(cell.LowerRightCorner.X, 32), kYellow));
    EXPECT_TRUE(near(frame.at(48, 96), kPink)) << rgb(frame.at(48, 96));   // between two cells of row 1
    EXPECT_TRUE(near(frame.at(80, 96), kGridColor)) << rgb(frame.at(80, 96));
}

TEST_F(EfxTestPicture, LogoAndStarsAfterThreeBars)
{
    Random::shared() = Random(1);
    const Frame frame = rig->play(scene, { 0.0f, 7.5f, 0.1f });   // t = 7.6, the burst's frame

    // The stars as spawned, the last one drawn on top of everything.
    Random random(1);
    std::vector<EfxTest::Star> stars;
    for (int i = 0; i < 150; ++i)
        stars.push_back(EfxTest::makeStar(random));
    const EfxTest::Star& last = stars.back();
    const s32 lx = static_cast<s32>(last.position.X), ly = static_cast<s32>(last.position.Y);
    EXPECT_TRUE(near(frame.at(lx, ly), last.color)) << rgb(frame.at(lx, ly));

    // A long step throws every star off the screen; the logo stays, unscaled and centred.
    const Frame later = rig->play(scene, { 5.0f, 0.0f });
    for (s32 y = 112; y < 368; y += 5)
        for (s32 x = 64; x < 576; x += 5)
            ASSERT_TRUE(near(later.at(x, y), kLogoColor)) << x << ", " << y << rgb(later.at(x, y));
    EXPECT_TRUE(near(later.at(575, 367), kLogoColor));
    EXPECT_FALSE(near(later.at(63, 240), kLogoColor));
    EXPECT_FALSE(near(later.at(576, 240), kLogoColor));
    EXPECT_FALSE(near(later.at(320, 111), kLogoColor));
    EXPECT_FALSE(near(later.at(320, 368), kLogoColor));
}

TEST_F(EfxTestPicture, MissingTexturesLeaveStripesAndBlack)
{
    testing_support::EmptyWorkingDirectory noData;
    ASSERT_TRUE(noData.entered());
    rig->driver->removeAllTextures();
    EfxTest bare;
    bare.init();
    const Frame frame = rig->play(bare, { 0.0f, 5.0f, 3.0f });   // stars and logo are due
    EXPECT_TRUE(near(frame.at(0, 0), kYellow)) << rgb(frame.at(0, 0));
    EXPECT_TRUE(near(frame.at(0, 64), kPink)) << rgb(frame.at(0, 64));
    EXPECT_EQ(bare.stars().size(), 150u);
}

} // namespace
