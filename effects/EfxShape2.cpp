// SPDX-License-Identifier: MIT
// The low-resolution fly-through: the model is rendered into a 32x32 texture and shown
// stretched to the whole screen, over a pink background and a backdrop that blinks black.

#include "effects/EfxShape2.h"

#include <cmath>

#include "env/DirectionalLight.h"

using namespace irr;

namespace veko {

namespace {

const f32 kPi = 3.14159f;

// A white directional light that travels along world +Z.
void addLight(video::IVideoDriver* driver)
{
    driver->deleteAllDynamicLights();
    driver->addDynamicLight(directionalLight(core::vector3df(0.0f, 0.0f, 1.0f)));
}

// The cameras fly along +Z at 40 units a second. The target circles one unit ahead of the
// camera (its radius in double precision), the up vector circles about +Y, which rolls the view.
EfxShape2::Camera flyingCamera(f32 t, f32 start, double sway, f32 roll, f32 rollPhase)
{
    EfxShape2::Camera camera;
    const f32 z = 40.0f * t + start;
    camera.position = core::vector3df(24.0f, 23.0f, z);
    camera.target = core::vector3df(static_cast<f32>(24 + sway * std::cos(t)), 23.0f,
                                    static_cast<f32>(40.0f * t + (start + 1.0f) + sway * std::sin(t)));
    camera.up = core::vector3df(roll * std::cos(2.0f * t + rollPhase),
                                roll * std::sin(2.0f * t + rollPhase) + 1.0f, 0.0f);
    return camera;
}

} // namespace

EfxShape2::EfxShape2()
    : mVekoTexture(nullptr),
      mDadaTexture(nullptr),
      mBackTexture(nullptr),
      mRenderTarget(nullptr),
      mMesh(nullptr)
{
}

EfxShape2::Camera EfxShape2::cameraA(f32 t)
{
    return flyingCamera(t, -410.0f, 0.5, 2.55f, 0.0f);
}

EfxShape2::Camera EfxShape2::cameraB(f32 t)
{
    return flyingCamera(t, -350.0f, 0.7, 2.55f, 15.0f);
}

EfxShape2::Camera EfxShape2::cameraC(f32 t)
{
    return flyingCamera(t, -400.0f, 0.2, 0.15f, 0.0f);
}

video::SColor EfxShape2::backdropTint(f32 t)
{
    if (std::fmod(t, 1.0f) < 0.5f)
        return video::SColor(255, 0, 0, 0);
    return video::SColor(255, 255, 255, 255);
}

void EfxShape2::init()
{
    Env* env = Env::instance();
    video::IVideoDriver* driver = env->driver();

    mView.buildCameraLookAtMatrixLH(core::vector3df(0.0f, 0.0f, -3.5f), core::vector3df(0.0f, 0.0f, 0.0f),
                                    core::vector3df(0.0f, 1.0f, 0.0f));
    mProjection.buildProjectionMatrixPerspectiveFovLH(kPi / 2.0f, 4.0f / 3.0f, 0.1f, 1000.0f);
    mWorld.makeIdentity();

    mMesh = env->sceneManager()->getMesh("../data/models/arks3.obj");
    mVekoTexture = driver->getTexture("../data/textures/veko.png");
    mDadaTexture = driver->getTexture("../data/textures/dada.png");
    mBackTexture = driver->getTexture("../data/textures/eda_back.png");
    mRenderTarget = driver->addRenderTargetTexture(core::dimension2du(32, 32));
}

void EfxShape2::setView(const Camera& camera)
{
    mView.buildCameraLookAtMatrixLH(camera.position, camera.target, camera.up);
    Env::instance()->driver()->setTransform(video::ETS_VIEW, mView);
}

// OpenGL fixes a light in the eye space of the view that is current when it is added, so
// the light is added after each camera is set: that way it travels along world +Z.
void EfxShape2::drawPass(const Camera& camera, scene::IMesh* mesh, Env::IMaterialCallback* material)
{
    setView(camera);
    addLight(Env::instance()->driver());
    if (mesh)
        Env::instance()->drawMesh(mesh, mWorld, material);
}

void EfxShape2::idle(float dt)
{
    Effect::idle(dt);
    const f32 t = localTime();
    video::IVideoDriver* driver = Env::instance()->driver();

    // The model keeps its textures and material type, but is lit, unfiltered and glows orange.
    class MatCBFB : public Env::IMaterialCallback {
    public:
        void apply(video::SMaterial& material) override
        {
            video::SMaterial copy = material;
            copy.Lighting = true;
            copy.setFlag(video::EMF_BILINEAR_FILTER, false);
            copy.DiffuseColor = video::SColor(255, 0, 0, 0);
            copy.EmissiveColor = video::SColor(255, 255, 192, 0);
            Env::instance()->driver()->setMaterial(copy);
        }
    };

    driver->setTransform(video::ETS_PROJECTION, mProjection);
    driver->setAmbientLight(video::SColorf(video::SColor(255, 255, 255, 255)));

    // A model that failed to load leaves the mesh passes out; the rest of the frame is drawn.
    scene::IMesh* mesh = mMesh ? mMesh->getMesh(0, 255, -1, -1) : nullptr;
    MatCBFB material;
    mWorld.makeIdentity();

    // Both cameras into the 32x32 texture, cleared to transparent black.
    Env::instance()->setRenderTarget(mRenderTarget, true, true, video::SColor(0, 0, 0, 0));
    drawPass(cameraA(t), mesh, &material);
    drawPass(cameraB(t), mesh, &material);
    Env::instance()->setRenderTarget(nullptr, true, true, video::SColor(0, 0, 0, 0));

    const core::rect<s32> screen(0, 0, 640, 480);
    driver->draw2DRectangle(video::SColor(255, 255, 0, 128), screen);

    const video::SColor tint = backdropTint(t);
    const video::SColor tints[4] = { tint, tint, tint, tint };
    driver->draw2DImage(mBackTexture, screen, core::rect<s32>(0, 0, 512, 512), nullptr, tints, true);

    setView(cameraC(t));

    // The bottom row and the right column of the texture stay out of the picture.
    driver->draw2DImage(mRenderTarget, screen, core::rect<s32>(0, 0, 31, 31), nullptr, nullptr, true);
}

} // namespace veko
