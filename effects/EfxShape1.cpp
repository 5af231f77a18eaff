#include "effects/EfxShape1.h"

#include "env/DirectionalLight.h"
#include "env/Env.h"

using namespace irr;

namespace veko {

EfxShape1::EfxShape1() : mMesh(nullptr)
{
}

void EfxShape1::init()
{
    Env* env = Env::instance();
    mView.buildCameraLookAtMatrixLH(core::vector3df(4, 0, -3.5f), core::vector3df(1, 0, 0),
                                    core::vector3df(0, 1, 0));
    mProjection.buildProjectionMatrixPerspectiveFovLH(3.14159f / 2, 4.0f / 3.0f, 0.1f, 1000.0f);
    mWorld.makeIdentity();
    mMesh = env->sceneManager()->getMesh("../data/models/shape_1a.obj");
}

core::matrix4 EfxShape1::copyTransform(int copy, float t)
{
    core::matrix4 world;
    world.setRotationRadians(core::vector3df(0, t, 1));
    world.setTranslation(core::vector3df(static_cast<f32>(4 * copy - 4), 0, 0));
    return world;
}

void EfxShape1::idle(float)
{
    // The shape's own colours and textures, unlit and unfiltered.
    class MatCBFB : public Env::IMaterialCallback {
    public:
        void apply(video::SMaterial& material) override
        {
            video::SMaterial copy = material;
            copy.Lighting = false;
            copy.setFlag(video::EMF_BILINEAR_FILTER, false);
            Env::instance()->driver()->setMaterial(copy);
        }
    };

    Env* env = Env::instance();
    video::IVideoDriver* driver = env->driver();
    const f32 t = env->time();

    // The camera goes first: the light is fixed with the view that is set when it is added,
    // so this way it shines along +Z of the world.
    driver->setTransform(video::ETS_PROJECTION, mProjection);
    driver->setTransform(video::ETS_VIEW, mView);

    driver->deleteAllDynamicLights();
    driver->addDynamicLight(directionalLight(core::vector3df(0, 0, 1)));

    driver->draw2DRectangle(video::SColor(255, 255, 255, 140), core::rect<s32>(0, 0, 640, 480));
    driver->setAmbientLight(video::SColorf(video::SColor(255, 255, 255, 255)));

    // A shape that did not load is left out; the background still shows.
    scene::IMesh* mesh = mMesh ? mMesh->getMesh(0, 255, -1, -1) : nullptr;
    MatCBFB matCB;
    for (int i = 0; i < 3; ++i) {
        mWorld = copyTransform(i, t);
        env->drawMesh(mesh, mWorld, &matCB);
    }
}

void EfxShape1::shutdown()
{
}

} // namespace veko
