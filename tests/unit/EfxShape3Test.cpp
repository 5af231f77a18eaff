#include <gtest/gtest.h>

#include "effects/EfxShape3.h"
#include "SceneRig.h"

using namespace irr;
using veko::EfxShape3;

namespace {

core::vector3df cameraPosition(video::IVideoDriver* driver)
{
    core::matrix4 inverse;
    driver->getTransform(video::ETS_VIEW).getInverse(inverse);
    return inverse.getTranslation();
}

TEST(EfxShape3, FliesAlongZInLocalTimeOverGreenWithoutItsModel)
{
    testing_support::SceneRig rig(testing_support::Backend::Software, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    EfxShape3 effect;
    effect.init();
    const testing_support::Frame frame = rig.frame(effect, 5.0f);   // the first delta does not count
    EXPECT_EQ(effect.localTime(), 0.0f);
    EXPECT_EQ(frame.at(0, 0), video::SColor(255, 0, 255, 0));
    EXPECT_EQ(frame.at(320, 240), video::SColor(255, 0, 255, 0));

    core::matrix4 first;
    first.buildCameraLookAtMatrixLH(core::vector3df(24, 23, -400), core::vector3df(24.2f, 23, -399),
                                    core::vector3df(0.15f, 1, 0));
    EXPECT_TRUE(rig.driver->getTransform(video::ETS_VIEW).equals(first, 1e-5f));
    EXPECT_EQ(rig.driver->getTransform(video::ETS_WORLD), core::matrix4());

    rig.frame(effect, 4.0f);
    rig.frame(effect, 6.0f);
    EXPECT_EQ(effect.localTime(), 10.0f);
    EXPECT_TRUE(cameraPosition(rig.driver).equals(core::vector3df(24, 23, 0), 1e-3f));
    ASSERT_EQ(rig.driver->getDynamicLightCount(), 1u);
    EXPECT_EQ(rig.driver->getDynamicLight(0).Direction, core::vector3df(0, 0, 1));
}

TEST(EfxShape3, ModelGlowsOrangeWithoutItsOwnMaterialChanging)
{
    testing_support::SceneRig rig(testing_support::Backend::Software, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    // A blue wall across the flight path, 20 units ahead of the first frame's camera.
    testing_support::addFlatModel(rig.env->sceneManager(), "../data/models/arks5.obj",
                                  core::vector3df(-100, -100, -380), core::vector3df(-100, 100, -380),
                                  core::vector3df(100, 100, -380), core::vector3df(100, -100, -380),
                                  video::SColor(255, 0, 0, 255));
    EfxShape3 effect;
    effect.init();
    const video::SColor c = rig.frame(effect, 0.0f).at(320, 240);
    EXPECT_GT(c.getRed(), 240u);
    EXPECT_GT(c.getGreen(), 180u);
    const video::SMaterial& stored =
        rig.env->sceneManager()->getMesh("../data/models/arks5.obj")->getMesh(0)->getMeshBuffer(0)->getMaterial();
    EXPECT_FALSE(stored.Lighting);
    EXPECT_EQ(stored.EmissiveColor, video::SColor(0, 0, 0, 0));
}

// Under OpenGL a light is fixed with the view that is current when it is added. The
// scene's light must follow this frame's camera to shine along +Z of the world.
TEST(EfxShape3, LightShinesAlongWorldZUnderEachFramesCameraOnOpenGL)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    testing_support::SceneRig rig(testing_support::Backend::OpenGL, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    EfxShape3 effect;
    effect.init();
    for (float dt : { 0.0f, 1.5f }) {   // the camera swings and rolls between the two frames
        rig.driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
        effect.idle(dt);
        const core::vector3df travel = testing_support::glLight0Travel();
        rig.driver->endScene();
        const core::vector3df expected =
            testing_support::eyeDirection(EfxShape3::camera(effect.localTime()), core::vector3df(0, 0, 1));
        EXPECT_TRUE(travel.equals(expected, 1e-4f)) << "at t " << effect.localTime();
    }
}

} // namespace
