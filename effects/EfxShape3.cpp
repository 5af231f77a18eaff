#include "effects/EfxShape3.h"

#include <cmath>

#include "env/DirectionalLight.h"
#include "env/Env.h"

using namespace irr;

namespace veko {

EfxShape3::EfxShape3()
    : mVekoTexture(nullptr), mDadaTexture(nullptr), mBloodTexture(nullptr), mMesh(nullptr)
{
}

void EfxShape3::init()
{
    Env* env = Env::instance();
    video::IVideoDriver* driver = env->driver();
    mView.buildCameraLookAtMatrixLH(core::vector3df(0, 0, -3.5f), core::vector3df(0, 0, 0),
                                    core::vector3df(0, 1, 0));
    mProjection.buildProjectionMatrixPerspectiveFovLH(3.14159f / 2, 4.0f / 3.0f, 0.1f, 1000.0f);
    mWorld.makeIdentity();
    mMesh = env->sceneManager()->getMesh("../data/models/arks5.obj");
    mVekoTexture = driver->getTexture("../data/textures/veko.png");
    mDadaTexture = driver->getTexture("../data/textures/dada.png");
    mBloodTexture = driver->getTexture("../data/textures/blood.png");
}

core::matrix4 EfxShape3::camera(float t)
{
    const f32 z = 40 * t;
    // The swing's radius is a double: the target is worked out in double, then stored as f32.
    const core::vector3df position(24, 23, z - 400);
    const core::vector3df target(static_cast<f32>(24 + 0.2 * std::cos(t)), 23,
                                 static_cast<f32>(z - 399 + 0.2 * std::sin(t)));
    const core::vector3df up(0.15f * std::cos(2 * t), 0.15f * std::sin(2 * t) + 1, 0);
    core::matrix4 view;
    view.buildCameraLookAtMatrixLH(position, target, up);
    return view;
}

void EfxShape3::idle(float dt)
{
    // The model's own textures, lit, unfiltered, with a white diffuse and an orange glow.
    class MatCBFB : public Env::IMaterialCallback {
    public:
        void apply(video::SMaterial& material) override
        {
            video::SMaterial copy = material;
            copy.Lighting = true;
            copy.setFlag(video::EMF_BILINEAR_FILTER, false);
            copy.DiffuseColor = video::SColor(255, 255, 255, 255);
            copy.EmissiveColor = video::SColor(255, 255, 192, 0);
            Env::instance()->driver()->setMaterial(copy);
        }
    };

    Effect::idle(dt);
    const f32 t = localTime();
    Env* env = Env::instance();
    video::IVideoDriver* driver = env->driver();

    driver->setTransform(video::ETS_PROJECTION, mProjection);
    driver->setAmbientLight(video::SColorf(video::SColor(255, 255, 255, 255)));
    scene::IMesh* mesh = mMesh ? mMesh->getMesh(0, 255, -1, -1) : nullptr;
    MatCBFB matCB;
    mWorld.makeIdentity();

    driver->draw2DRectangle(video::SColor(255, 0, 255, 0), core::rect<s32>(0, 0, 640, 480));

    mView = camera(t);
    driver->setTransform(video::ETS_VIEW, mView);

    // Added under this frame's camera, the light shines along +Z of the world, the way
    // the camera flies.
    driver->deleteAllDynamicLights();
    driver->addDynamicLight(directionalLight(core::vector3df(0, 0, 1)));

    // A model that did not load is left out; the background still shows.
    env->drawMesh(mesh, mWorld, &matCB);
}

void EfxShape3::shutdown()
{
}

} // namespace veko
