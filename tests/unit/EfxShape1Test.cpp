#include <gtest/gtest.h>

#include <cmath>

#include "effects/EfxShape1.h"
#include "env/Env.h"
#include "GLSupport.h"
#include "SceneTestSupport.h"
#include "TestSupport.h"

using namespace irr;
using veko::EfxShape1;
using veko::Env;

namespace {

const video::SColor kPaleYellow(255, 255, 255, 140);

class EfxShape1Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(noData.entered());
        device = testing_support::createSoftwareDevice();
        ASSERT_NE(device, nullptr);
        env = new Env(device);
        driver = env->driver();
    }
    void TearDown() override
    {
        env->stopMusic();
        delete env;
        device->drop();
    }

    testing_support::Frame drawFrame(EfxShape1& effect, float dt)
    {
        driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
        effect.idle(dt);
        driver->endScene();
        return testing_support::readSoftwareFrame(driver);
    }

    testing_support::NoDataDirectory noData;
    IrrlichtDevice* device = nullptr;
    Env* env = nullptr;
    video::IVideoDriver* driver = nullptr;
};

TEST(EfxShape1Copies, SitAtWholeXPositionsWhateverTheClock)
{
    const float times[] = { 0.0f, 1.3f, 6.2831855f, 70.7f, 12345.678f };
    for (float t : times)
        for (int i = 0; i < 3; ++i) {
            const core::vector3df at = EfxShape1::copyTransform(i, t).getTranslation();
            EXPECT_EQ(at, core::vector3df(static_cast<f32>(4 * i - 4), 0, 0)) << "t " << t << " copy " << i;
        }
}

TEST(EfxShape1Copies, TiltedAboutZAndTurningOncePerTwoPiSeconds)
{
    // Unturned at T = 0: the copy's depth axis stays the world's, its up axis leans 1 radian.
    core::vector3df depth(0, 0, 1), up(0, 1, 0);
    const core::matrix4 start = EfxShape1::copyTransform(1, 0.0f);
    start.rotateVect(depth);
    start.rotateVect(up);
    EXPECT_TRUE(depth.equals(core::vector3df(0, 0, 1), 1e-6f));
    EXPECT_NEAR(up.Z, 0.0f, 1e-6f);
    EXPECT_NEAR(std::acos(up.Y), 1.0f, 1e-5f);

    // A quarter turn later the depth axis lies in the horizontal plane; a whole turn brings it back.
    core::vector3df quarter(0, 0, 1), whole(0, 0, 1);
    EfxShape1::copyTransform(0, 3.14159265f / 2).rotateVect(quarter);
    EfxShape1::copyTransform(2, 2 * 3.14159265f).rotateVect(whole);
    EXPECT_NEAR(quarter.Z, 0.0f, 1e-5f);
    EXPECT_TRUE(whole.equals(core::vector3df(0, 0, 1), 1e-5f));
}

TEST_F(EfxShape1Test, FollowsTheShowClockAndKeepsNoLocalTime)
{
    EfxShape1 effect;
    effect.init();
    env->addTime(2.5f);
    for (float dt : { 0.75f, 0.5f, 3.0f })
        drawFrame(effect, dt);
    EXPECT_EQ(effect.localTime(), 0.0f);

    // The frame leaves the third copy's transform and one light along +Z of the world.
    EXPECT_EQ(driver->getTransform(video::ETS_WORLD), EfxShape1::copyTransform(2, 2.5f));
    ASSERT_EQ(driver->getDynamicLightCount(), 1u);
    EXPECT_EQ(driver->getDynamicLight(0).Type, video::ELT_DIRECTIONAL);
    EXPECT_EQ(driver->getDynamicLight(0).Direction, core::vector3df(0, 0, 1));
}

TEST_F(EfxShape1Test, MissingShapeLeavesThePaleYellowBackground)
{
    EfxShape1 effect;
    effect.init();   // nothing to load here
    const testing_support::Frame frame = drawFrame(effect, 0.0f);
    EXPECT_EQ(frame.at(0, 0), kPaleYellow);
    EXPECT_EQ(frame.at(320, 240), kPaleYellow);
    EXPECT_EQ(frame.at(639, 479), kPaleYellow);
}

TEST_F(EfxShape1Test, DrawsThreeCopiesInTheShapesOwnColours)
{
    const video::SColor red(255, 255, 0, 0);
    testing_support::addFlatModel(env->sceneManager(), "../data/models/shape_1a.obj",
                                  core::vector3df(-0.5f, -0.5f, 0), core::vector3df(0.5f, -0.5f, 0),
                                  core::vector3df(0.5f, 0.5f, 0), core::vector3df(-0.5f, 0.5f, 0), red);
    EfxShape1 effect;
    effect.init();
    const testing_support::Frame frame = drawFrame(effect, 0.0f);

    for (int i = 0; i < 3; ++i) {
        const core::vector2di p = testing_support::screenPoint(driver, core::vector3df(4.0f * i - 4, 0, 0));
        ASSERT_TRUE(p.X >= 0 && p.X < 640 && p.Y >= 0 && p.Y < 480) << "copy " << i;
        const video::SColor c = frame.at(p.X, p.Y);
        EXPECT_TRUE(c.getRed() > 240 && c.getGreen() < 16 && c.getBlue() < 16)
            << "copy " << i << " at " << p.X << ", " << p.Y;
    }
    EXPECT_EQ(frame.at(0, 0), kPaleYellow);
    EXPECT_EQ(frame.at(0, 479), kPaleYellow);
}

} // namespace
