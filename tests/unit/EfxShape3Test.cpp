#include <gtest/gtest.h>

#include "effects/EfxShape3.h"
#include "env/Env.h"
#include "GLSupport.h"
#include "SceneTestSupport.h"
#include "TestSupport.h"

using namespace irr;
using veko::EfxShape3;
using veko::Env;

namespace {

const video::SColor kGreen(255, 0, 255, 0);

class EfxShape3Test : public ::testing::Test {
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

    testing_support::Frame drawFrame(EfxShape3& effect, float dt)
    {
        driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
        effect.idle(dt);
        driver->endScene();
        return testing_support::readSoftwareFrame(driver);
    }

    core::vector3df cameraPosition() const
    {
        core::matrix4 inverse;
        driver->getTransform(video::ETS_VIEW).getInverse(inverse);
        return inverse.getTranslation();
    }

    testing_support::NoDataDirectory noData;
    IrrlichtDevice* device = nullptr;
    Env* env = nullptr;
    video::IVideoDriver* driver = nullptr;
};

TEST_F(EfxShape3Test, FirstFrameCameraAndFlightAlongZ)
{
    EfxShape3 effect;
    effect.init();
    drawFrame(effect, 5.0f);   // the first delta does not count
    EXPECT_EQ(effect.localTime(), 0.0f);

    core::matrix4 expected;
    expected.buildCameraLookAtMatrixLH(core::vector3df(24, 23, -400), core::vector3df(24.2f, 23, -399),
                                       core::vector3df(0.15f, 1, 0));
    EXPECT_TRUE(driver->getTransform(video::ETS_VIEW).equals(expected, 1e-5f));
    EXPECT_EQ(driver->getTransform(video::ETS_WORLD), core::matrix4());

    drawFrame(effect, 4.0f);
    drawFrame(effect, 6.0f);
    EXPECT_EQ(effect.localTime(), 10.0f);
    EXPECT_NEAR(cameraPosition().Z, 0.0f, 1e-3f);
    EXPECT_NEAR(cameraPosition().X, 24.0f, 1e-3f);
    EXPECT_NEAR(cameraPosition().Y, 23.0f, 1e-3f);

    ASSERT_EQ(driver->getDynamicLightCount(), 1u);
    EXPECT_EQ(driver->getDynamicLight(0).Type, video::ELT_DIRECTIONAL);
    EXPECT_EQ(driver->getDynamicLight(0).Direction, core::vector3df(0, 0, 1));
}

TEST_F(EfxShape3Test, MissingModelLeavesTheGreenBackground)
{
    EfxShape3 effect;
    effect.init();
    const testing_support::Frame frame = drawFrame(effect, 0.0f);
    EXPECT_EQ(frame.at(0, 0), kGreen);
    EXPECT_EQ(frame.at(320, 240), kGreen);
    EXPECT_EQ(frame.at(639, 479), kGreen);
}

TEST_F(EfxShape3Test, ModelGlowsOrangeWithoutItsOwnMaterialChanging)
{
    // A wall across the flight path, 20 units ahead of the first frame's camera.
    testing_support::addFlatModel(env->sceneManager(), "../data/models/arks5.obj",
                                  core::vector3df(-100, -100, -380), core::vector3df(100, -100, -380),
                                  core::vector3df(100, 100, -380), core::vector3df(-100, 100, -380),
                                  video::SColor(255, 0, 0, 255));
    EfxShape3 effect;
    effect.init();
    const testing_support::Frame frame = drawFrame(effect, 0.0f);

    const video::SColor c = frame.at(320, 240);
    EXPECT_GT(c.getRed(), 240u);
    EXPECT_GT(c.getGreen(), 180u);
    scene::IMesh* mesh = env->sceneManager()->getMesh("../data/models/arks5.obj")->getMesh(0);
    EXPECT_FALSE(mesh->getMeshBuffer(0)->getMaterial().Lighting);
    EXPECT_EQ(mesh->getMeshBuffer(0)->getMaterial().EmissiveColor, video::SColor(0, 0, 0, 0));
}

// Under OpenGL a light is fixed with the view current when it is added. The scene's light
// must follow this frame's camera, so that it shines along +Z of the world.
TEST(EfxShape3OnOpenGL, LightShinesAlongWorldZUnderEachFramesCamera)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    testing_support::NoDataDirectory noData;
    IrrlichtDevice* device = testing_support::createGLDevice();
    ASSERT_NE(device, nullptr);
    Env* env = new Env(device);
    video::IVideoDriver* driver = env->driver();

    EfxShape3 effect;
    effect.init();
    for (float dt : { 0.0f, 1.5f }) {   // the camera swings and rolls between the frames
        driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
        effect.idle(dt);
        GLfloat position[4];
        glGetLightfv(GL_LIGHT0, GL_POSITION, position);
        driver->endScene();

        // GL keeps the direction towards the light, in eye space.
        core::vector3df expected(0, 0, -1);
        EfxShape3::camera(effect.localTime()).rotateVect(expected);
        EXPECT_TRUE(core::vector3df(position[0], position[1], position[2]).equals(expected, 1e-4f))
            << position[0] << " " << position[1] << " " << position[2] << " at t " << effect.localTime();
        EXPECT_EQ(position[3], 0.0f);
    }

    env->stopMusic();
    delete env;
    device->drop();
}

} // namespace
