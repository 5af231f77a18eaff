#include <gtest/gtest.h>

#include "effects/EfxTown.h"
#include "env/Env.h"
#include "GLSupport.h"
#include "SceneTestSupport.h"
#include "TestSupport.h"

using namespace irr;
using veko::EfxTown;
using veko::Env;

namespace {

class EfxTownTest : public ::testing::Test {
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

    void drawFrameAt(EfxTown& effect, float showTime, float dt = 0.02f)
    {
        env->addTime(showTime - env->time());
        driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
        effect.idle(dt);
        driver->endScene();
    }

    testing_support::NoDataDirectory noData;
    IrrlichtDevice* device = nullptr;
    Env* env = nullptr;
    video::IVideoDriver* driver = nullptr;
};

TEST_F(EfxTownTest, TownSwingsAlongYWithTheShowClock)
{
    EfxTown effect;
    effect.init();
    const float pi = 3.14159265f;
    const struct { float t, y; } swing[] = { { 0, -15 }, { 2 * pi, 5 }, { 4 * pi, -15 }, { 6 * pi, -35 } };
    for (const auto& at : swing) {
        drawFrameAt(effect, at.t);
        // The glow quads give back the transforms they found: the town's is the last one set.
        const core::vector3df offset = driver->getTransform(video::ETS_WORLD).getTranslation();
        EXPECT_NEAR(offset.Y, at.y, 1e-4f) << "T " << at.t;
        EXPECT_EQ(offset.X, 0.0f);
        EXPECT_EQ(offset.Z, 0.0f);
        EXPECT_NEAR(EfxTown::townOffset(at.t), at.y, 1e-4f) << "T " << at.t;
    }
    EXPECT_EQ(effect.localTime(), 0.0f);
}

TEST_F(EfxTownTest, EachFrameLeavesExactlyTheTwoLightsWhiteFirst)
{
    EfxTown effect;
    effect.init();   // no town to load: the frame still lights and draws without it
    for (int frame = 0; frame < 3; ++frame) {
        drawFrameAt(effect, 1.0f + frame);
        ASSERT_EQ(driver->getDynamicLightCount(), 2u) << "frame " << frame;
        const video::SLight& white = driver->getDynamicLight(0);
        const video::SLight& mauve = driver->getDynamicLight(1);
        EXPECT_EQ(white.Type, video::ELT_DIRECTIONAL);
        EXPECT_EQ(white.DiffuseColor.toSColor(), video::SColorf(1, 1, 1, 1).toSColor());
        EXPECT_EQ(white.Direction, core::vector3df(1, 1, 0));
        EXPECT_EQ(mauve.Type, video::ELT_DIRECTIONAL);
        EXPECT_EQ(mauve.DiffuseColor.toSColor(), video::SColorf(0.4f, 0.3f, 0.4f, 1).toSColor());
        EXPECT_EQ(mauve.Direction, core::vector3df(-1, -2, 0));
    }
    EXPECT_EQ(effect.localTime(), 0.0f);
}

TEST(EfxTownBlur, FiveLayersOfTheWholeTargetNudgedHalfAUnit)
{
    const core::vector2df nudges[EfxTown::kBlurQuadCount] = { { 0, 0 }, { -0.5f, 0 }, { 0.5f, 0 }, { 0, -0.5f }, { 0, 0.5f } };
    const s32 flags[EfxTown::kBlurQuadCount] = { Env::FLAG_ADDITIVE, Env::FLAG_ADDITIVE, 0, 0, 0 };
    for (int i = 0; i < EfxTown::kBlurQuadCount; ++i) {
        const EfxTown::BlurQuad& quad = EfxTown::kBlurQuads[i];
        EXPECT_EQ(quad.rect.UpperLeftCorner, nudges[i]) << "quad " << i;
        EXPECT_EQ(quad.rect.LowerRightCorner, nudges[i] + core::vector2df(640, 480)) << "quad " << i;
        EXPECT_EQ(quad.flags, flags[i]) << "quad " << i;
        EXPECT_EQ(quad.color, video::SColor(i == 0 ? 255 : 64, 255, 255, 255)) << "quad " << i;
    }
}

// The OpenGL picture: render targets, additive layers and lights as the show draws them.
class EfxTownOnOpenGL : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testing_support::haveDisplay())
            GTEST_SKIP() << "needs an X display";
        ASSERT_TRUE(noData.entered());
        device = testing_support::createGLDevice();
        ASSERT_NE(device, nullptr);
        env = new Env(device);
        driver = env->driver();
    }
    void TearDown() override
    {
        if (!env)
            return;
        env->stopMusic();
        delete env;
        device->drop();
    }

    video::ITexture* target(const char* name)
    {
        for (u32 i = 0; i < driver->getTextureCount(); ++i)
            if (driver->getTextureByIndex(i)->getName().getPath() == name)
                return driver->getTextureByIndex(i);
        return nullptr;
    }

    video::SColor centreOf(video::ITexture* texture)
    {
        const u8* pixels = static_cast<const u8*>(texture->lock(video::ETLM_READ_ONLY));
        const u32 pitch = texture->getPitch();
        const u32 half = texture->getSize().Width / 2;
        const video::SColor c(*reinterpret_cast<const u32*>(pixels + half * pitch + half * 4));
        texture->unlock();
        return c;
    }

    testing_support::NoDataDirectory noData;
    IrrlichtDevice* device = nullptr;
    Env* env = nullptr;
    video::IVideoDriver* driver = nullptr;
};

TEST_F(EfxTownOnOpenGL, GlowIsBlurredFromAIntoBAndBackIntoA)
{
    // A dim, half-transparent wall filling the town camera's view at T = 0.
    const video::SColor dim(64, 64, 64, 64);
    testing_support::addFlatModel(env->sceneManager(), "../data/models/town_04.obj",
                                  core::vector3df(-100, 20, -100), core::vector3df(100, 20, -100),
                                  core::vector3df(100, 20, 100), core::vector3df(-100, 20, 100), dim);
    EfxTown effect;
    effect.init();
    video::ITexture* a = target("town glow A");
    video::ITexture* b = target("town glow B");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->getSize(), core::dimension2du(128, 128));
    EXPECT_EQ(b->getSize(), core::dimension2du(128, 128));

    driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
    effect.idle(0.0f);
    const testing_support::Frame screen = testing_support::readBackBuffer();
    driver->endScene();

    // Each pass brightens what it reads: B holds one pass over the town, A a second over B.
    const video::SColor once = centreOf(b), twice = centreOf(a);
    EXPECT_GT(once.getRed(), dim.getRed() + 16u);
    EXPECT_GT(twice.getRed(), once.getRed() + 16u);
    // The glow laid over the screen is A, added in cyan and a little grey over the town:
    // adding never darkens, so the screen's green is at least A's.
    const video::SColor shown = screen.at(320, 240);
    EXPECT_GE(shown.getGreen(), twice.getGreen());
    EXPECT_GT(shown.getGreen(), shown.getRed() + 32u);
    EXPECT_EQ(shown.getGreen(), shown.getBlue());
}

TEST_F(EfxTownOnOpenGL, LightsShineTheWayTheTownsCoordinatesSay)
{
    EfxTown effect;
    effect.init();
    driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
    effect.idle(0.0f);
    GLfloat white[4], mauve[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, white);
    glGetLightfv(GL_LIGHT1, GL_POSITION, mauve);
    driver->endScene();

    // GL keeps the direction towards each light, in eye space of the town's camera.
    const core::matrix4& view = driver->getTransform(video::ETS_VIEW);
    core::vector3df towardsWhite(-1, -1, 0), towardsMauve(1, 2, 0);
    view.rotateVect(towardsWhite);
    view.rotateVect(towardsMauve);
    EXPECT_TRUE(core::vector3df(white[0], white[1], white[2]).equals(towardsWhite, 1e-4f));
    EXPECT_TRUE(core::vector3df(mauve[0], mauve[1], mauve[2]).equals(towardsMauve, 1e-4f));
}

} // namespace
