#include <gtest/gtest.h>

#include "effects/EfxShape1.h"
#include "SceneRig.h"

using namespace irr;
using veko::EfxShape1;

namespace {

const video::SColor kPaleYellow(255, 255, 255, 140);

TEST(EfxShape1, CopiesSitAtWholeXPositionsWhateverTheClock)
{
    const float times[] = { 0.0f, 1.3f, 6.2831855f, 70.7f, 12345.678f };
    for (float t : times)
        for (int i = 0; i < 3; ++i) {
            const core::vector3df at = EfxShape1::copyTransform(i, t).getTranslation();
            EXPECT_EQ(at, core::vector3df(static_cast<f32>(4 * i - 4), 0, 0)) << "t " << t << " copy " << i;
        }
    // Unturned at T = 0: the depth axis stays the world's, only the 1 radian tilt about Z.
    core::vector3df depth(0, 0, 1);
    EfxShape1::copyTransform(1, 0.0f).rotateVect(depth);
    EXPECT_TRUE(depth.equals(core::vector3df(0, 0, 1), 1e-6f));
}

TEST(EfxShape1, FollowsTheShowClockAndWithoutItsShapeShowsTheBackground)
{
    testing_support::SceneRig rig(testing_support::Backend::Software, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    EfxShape1 effect;
    effect.init();   // nothing to load here
    rig.setShowTime(2.5f);
    testing_support::Frame frame;
    for (float dt : { 0.75f, 0.5f, 3.0f })
        frame = rig.frame(effect, dt);
    EXPECT_EQ(effect.localTime(), 0.0f);
    EXPECT_EQ(frame.at(0, 0), kPaleYellow);
    EXPECT_EQ(frame.at(320, 240), kPaleYellow);

    // The frame leaves the third copy's transform and one light along +Z of the world.
    EXPECT_EQ(rig.driver->getTransform(video::ETS_WORLD), EfxShape1::copyTransform(2, 2.5f));
    ASSERT_EQ(rig.driver->getDynamicLightCount(), 1u);
    EXPECT_EQ(rig.driver->getDynamicLight(0).Type, video::ELT_DIRECTIONAL);
    EXPECT_EQ(rig.driver->getDynamicLight(0).Direction, core::vector3df(0, 0, 1));
}

TEST(EfxShape1, DrawsThreeCopiesInTheShapesOwnColours)
{
    testing_support::SceneRig rig(testing_support::Backend::Software, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    testing_support::addFlatModel(rig.env->sceneManager(), "../data/models/shape_1a.obj",
                                  core::vector3df(-0.5f, -0.5f, 0), core::vector3df(0.5f, -0.5f, 0),
                                  core::vector3df(0.5f, 0.5f, 0), core::vector3df(-0.5f, 0.5f, 0),
                                  video::SColor(255, 255, 0, 0));
    EfxShape1 effect;
    effect.init();
    const testing_support::Frame frame = rig.frame(effect, 0.0f);

    for (int i = 0; i < 3; ++i) {
        const core::vector2di p = testing_support::screenPoint(rig.driver, core::vector3df(4.0f * i - 4, 0, 0));
        ASSERT_TRUE(p.X >= 0 && p.X < 640 && p.Y >= 0 && p.Y < 480) << "copy " << i;
        const video::SColor c = frame.at(p.X, p.Y);
        EXPECT_TRUE(c.getRed() > 240 && c.getGreen() < 16 && c.getBlue() < 16)
            << "copy " << i << " at " << p.X << ", " << p.Y;
    }
    EXPECT_EQ(frame.at(0, 0), kPaleYellow);
}

} // namespace
