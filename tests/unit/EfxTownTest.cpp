#include <gtest/gtest.h>

#include "effects/EfxTown.h"
#include "SceneRig.h"

using namespace irr;
using veko::EfxTown;
using veko::Env;

namespace {

TEST(EfxTown, SwingsAlongYWithTheShowClockAndKeepsNoLocalTime)
{
    testing_support::SceneRig rig(testing_support::Backend::Software, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    EfxTown effect;
    effect.init();
    const float pi = 3.14159265f;
    const struct { float t, y; } swing[] = { { 0, -15 }, { 2 * pi, 5 }, { 4 * pi, -15 }, { 6 * pi, -35 } };
    for (const auto& at : swing) {
        rig.setShowTime(at.t);
        rig.frame(effect, 0.02f);
        // The glow quads give back the transforms they found: the town's is the last one set.
        const core::vector3df offset = rig.driver->getTransform(video::ETS_WORLD).getTranslation();
        EXPECT_NEAR(offset.Y, at.y, 1e-4f) << "T " << at.t;
        EXPECT_EQ(offset.X, 0.0f);
        EXPECT_EQ(offset.Z, 0.0f);
        EXPECT_NEAR(EfxTown::townOffset(at.t), at.y, 1e-4f) << "T " << at.t;
    }
    EXPECT_EQ(effect.localTime(), 0.0f);
}

TEST(EfxTown, EachFrameLeavesExactlyTheTwoLightsWhiteFirst)
{
    testing_support::SceneRig rig(testing_support::Backend::Software, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    EfxTown effect;
    effect.init();   // no town to load: the frame still lights and draws without it
    for (int frame = 0; frame < 3; ++frame) {
        rig.frame(effect, 0.5f);
        ASSERT_EQ(rig.driver->getDynamicLightCount(), 2u) << "frame " << frame;
        const video::SLight& white = rig.driver->getDynamicLight(0);
        const video::SLight& mauve = rig.driver->getDynamicLight(1);
        EXPECT_EQ(white.Type, video::ELT_DIRECTIONAL);
        EXPECT_EQ(white.DiffuseColor.toSColor(), video::SColorf(1, 1, 1, 1).toSColor());
        EXPECT_EQ(white.Direction, core::vector3df(1, 1, 0));
        EXPECT_EQ(mauve.Type, video::ELT_DIRECTIONAL);
        EXPECT_EQ(mauve.DiffuseColor.toSColor(), video::SColorf(0.4f, 0.3f, 0.4f, 1).toSColor());
        EXPECT_EQ(mauve.Direction, core::vector3df(-1, -2, 0));
    }
}

TEST(EfxTown, BlurLayersAreTheWholeTargetNudgedHalfAUnit)
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

video::ITexture* textureNamed(video::IVideoDriver* driver, const char* name)
{
    for (u32 i = 0; i < driver->getTextureCount(); ++i)
        if (driver->getTextureByIndex(i)->getName().getPath() == name)
            return driver->getTextureByIndex(i);
    return nullptr;
}

video::SColor centreOf(video::ITexture* texture)
{
    const u8* pixels = static_cast<const u8*>(texture->lock(video::ETLM_READ_ONLY));
    const u32 half = texture->getSize().Width / 2;
    const video::SColor c(*reinterpret_cast<const u32*>(pixels + half * texture->getPitch() + half * 4));
    texture->unlock();
    return c;
}

TEST(EfxTown, GlowIsBlurredFromAIntoBAndBackIntoAOnOpenGL)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    testing_support::SceneRig rig(testing_support::Backend::OpenGL, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    // A dim, half-transparent wall filling the town camera's view at T = 0.
    const video::SColor dim(64, 64, 64, 64);
    testing_support::addFlatModel(rig.env->sceneManager(), "../data/models/town_04.obj",
                                  core::vector3df(-100, 20, -100), core::vector3df(100, 20, -100),
                                  core::vector3df(100, 20, 100), core::vector3df(-100, 20, 100), dim);
    EfxTown effect;
    effect.init();
    video::ITexture* a = textureNamed(rig.driver, "town glow A");
    video::ITexture* b = textureNamed(rig.driver, "town glow B");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->getSize(), core::dimension2du(128, 128));
    EXPECT_EQ(b->getSize(), core::dimension2du(128, 128));

    const video::SColor shown = rig.frame(effect, 0.0f).at(320, 240);

    // Each pass brightens what it reads: B holds one pass over the town, A a second over B.
    const video::SColor once = centreOf(b), twice = centreOf(a);
    EXPECT_GT(once.getRed(), dim.getRed() + 16u);
    EXPECT_GT(twice.getRed(), once.getRed() + 16u);
    // The glow laid over the screen is A, added in cyan and a little grey over the town:
    // adding never darkens, so the screen's green is at least A's.
    EXPECT_GE(shown.getGreen(), twice.getGreen());
    EXPECT_GT(shown.getGreen(), shown.getRed() + 32u);
    EXPECT_EQ(shown.getGreen(), shown.getBlue());
}

TEST(EfxTown, LightsShineTheWayTheTownsCoordinatesSayOnOpenGL)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    testing_support::SceneRig rig(testing_support::Backend::OpenGL, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    // A grey wall facing the camera, lit only by the scene's lights.
    testing_support::addFlatModel(rig.env->sceneManager(), "../data/models/town_04.obj",
                                  core::vector3df(-100, 20, -100), core::vector3df(100, 20, -100),
                                  core::vector3df(100, 20, 100), core::vector3df(-100, 20, 100),
                                  video::SColor(255, 160, 160, 160), true);
    EfxTown effect;
    effect.init();
    video::ITexture* a = textureNamed(rig.driver, "town glow A");
    ASSERT_NE(a, nullptr);

    // Whatever view the frame starts under (here one looking back the other way), the town
    // is lit alike in the glow target, and both lights end up where the town's axes say.
    core::matrix4 backwards;
    backwards.buildCameraLookAtMatrixLH(core::vector3df(0, 5, 2), core::vector3df(0, -7, 4), core::vector3df(0, 0, 1));
    rig.driver->setTransform(video::ETS_VIEW, backwards);
    rig.frame(effect, 0.0f);
    const video::SColor firstGlow = centreOf(a);
    rig.driver->beginScene(true, true, video::SColor(255, 0, 0, 0));
    effect.idle(0.0f);
    GLfloat white[4], mauve[4];   // OpenGL keeps the way towards each light, in eye space
    glGetLightfv(GL_LIGHT0, GL_POSITION, white);
    glGetLightfv(GL_LIGHT1, GL_POSITION, mauve);
    rig.driver->endScene();
    EXPECT_EQ(centreOf(a), firstGlow);

    const core::matrix4& view = rig.driver->getTransform(video::ETS_VIEW);
    const core::vector3df whiteTravel = testing_support::eyeDirection(view, core::vector3df(1, 1, 0));
    const core::vector3df mauveTravel = testing_support::eyeDirection(view, core::vector3df(-1, -2, 0));
    EXPECT_TRUE(core::vector3df(-white[0], -white[1], -white[2]).equals(whiteTravel, 1e-4f));
    EXPECT_TRUE(core::vector3df(-mauve[0], -mauve[1], -mauve[2]).equals(mauveTravel, 1e-4f));
}

} // namespace
