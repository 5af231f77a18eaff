#include "effects/EfxTown.h"

#include <cmath>

#include "env/DirectionalLight.h"
#include "env/Env.h"

using namespace irr;

namespace veko {

// The source drawn over itself, nudged half a unit left, right, up and down. Half a unit of
// 640x480 is a fraction of a texel of the 128x128 target, so each pass smears slightly.
const EfxTown::BlurQuad EfxTown::kBlurQuads[kBlurQuadCount] = {
    { core::rect<f32>(0, 0, 640, 480),        video::SColor(255, 255, 255, 255), Env::FLAG_ADDITIVE },
    { core::rect<f32>(-0.5f, 0, 639.5f, 480), video::SColor(64, 255, 255, 255),  Env::FLAG_ADDITIVE },
    { core::rect<f32>(0.5f, 0, 640.5f, 480),  video::SColor(64, 255, 255, 255),  0 },
    { core::rect<f32>(0, -0.5f, 640, 479.5f), video::SColor(64, 255, 255, 255),  0 },
    { core::rect<f32>(0, 0.5f, 640, 480.5f),  video::SColor(64, 255, 255, 255),  0 },
};

EfxTown::EfxTown() : mTownMesh(nullptr), mRenderTargetA(nullptr), mRenderTargetB(nullptr)
{
}

void EfxTown::init()
{
    Env* env = Env::instance();
    video::IVideoDriver* driver = env->driver();
    // World Z is up on the screen; the camera looks along +Y, slightly downwards.
    mView.buildCameraLookAtMatrixLH(core::vector3df(0, -7, 4), core::vector3df(0, 5, 2),
                                    core::vector3df(0, 0, 1));
    mProjection.buildProjectionMatrixPerspectiveFovLH(3.14159f / 2, 4.0f / 3.0f, 0.1f, 1000.0f);
    mWorld.makeIdentity();
    mTownMesh = env->sceneManager()->getMesh("../data/models/town_04.obj");
    // Named so that a viewer or a test can tell the two apart in the driver's texture list.
    mRenderTargetA = driver->addRenderTargetTexture(core::dimension2du(128, 128), "town glow A");
    mRenderTargetB = driver->addRenderTargetTexture(core::dimension2du(128, 128), "town glow B");
}

f32 EfxTown::townOffset(float t)
{
    return 20 * std::sin(t / 4) - 15;
}

void EfxTown::idle(float)
{
    Env* env = Env::instance();
    video::IVideoDriver* driver = env->driver();
    const core::rect<f32> screen(0, 0, 640, 480);
    const core::rect<f32> wholeTexture(0, 0, 1, 1);

    driver->draw2DRectangle(video::SColor(255, 16, 16, 20), core::rect<s32>(0, 0, 640, 480));

    // The glow: the town at 128x128, blurred from A into B and back into A.
    env->setRenderTarget(mRenderTargetA, true, true, video::SColor(0, 0, 0, 0));
    drawTown();
    blurPass(mRenderTargetA, mRenderTargetB);
    blurPass(mRenderTargetB, mRenderTargetA);

    env->setRenderTarget(nullptr, true, true, video::SColor(0, 0, 0, 0));
    drawTown();
    env->drawQuad(mRenderTargetA, screen, wholeTexture, video::SColor(128, 0, 255, 255), Env::FLAG_ADDITIVE);
    env->drawQuad(mRenderTargetA, screen, wholeTexture, video::SColor(128, 32, 32, 32), Env::FLAG_ADDITIVE);
}

void EfxTown::drawTown()
{
    Env* env = Env::instance();
    video::IVideoDriver* driver = env->driver();

    // Camera first: each light is fixed with the view that is set when it is added, so both
    // shine the way they are given in the town's own (world) coordinates.
    driver->setTransform(video::ETS_PROJECTION, mProjection);
    driver->setTransform(video::ETS_VIEW, mView);

    driver->deleteAllDynamicLights();
    driver->addDynamicLight(directionalLight(core::vector3df(1, 1, 0)));
    driver->addDynamicLight(directionalLight(core::vector3df(-1, -2, 0), video::SColorf(0.4f, 0.3f, 0.4f, 1)));

    driver->setAmbientLight(video::SColorf(video::SColor(255, 255, 255, 255)));

    // A town that did not load is left out; the glow then stays dark.
    scene::IMesh* mesh = mTownMesh ? mTownMesh->getMesh(0, 255, -1, -1) : nullptr;
    mWorld.makeIdentity();
    mWorld.setTranslation(core::vector3df(0, townOffset(env->time()), 0));
    env->drawMesh(mesh, mWorld, nullptr);
}

void EfxTown::blurPass(video::ITexture* source, video::ITexture* target)
{
    Env* env = Env::instance();
    env->setRenderTarget(target, true, true, video::SColor(0, 0, 0, 0));
    const core::rect<f32> wholeTexture(0, 0, 1, 1);
    for (const BlurQuad& quad : kBlurQuads)
        env->drawQuad(source, quad.rect, wholeTexture, quad.color, quad.flags);
}

void EfxTown::shutdown()
{
}

} // namespace veko
