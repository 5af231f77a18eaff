#ifndef KAVRI_SCENE_TEST_SUPPORT_H
#define KAVRI_SCENE_TEST_SUPPORT_H

#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <irrlicht.h>

#include "env/Env.h"
#include "framework/Effect.h"
#include "GLSupport.h"

// Scene tests on the software renderer, which needs no X server, keeps every transform it is
// given and reads its frames back exactly. The process runs in an empty scratch directory
// meanwhile, so a scene finds under "../data" only what the test put in the engine's caches.
namespace testing_support {

class SoftwareSceneRig {
public:
    SoftwareSceneRig()
    {
        device = createSoftwareDevice();
        if (!device)
            return;
        driver = device->getVideoDriver();
        env = new veko::Env(device);
    }
    ~SoftwareSceneRig()
    {
        if (device) {
            env->stopMusic();
            delete env;
            device->drop();
        }
    }
    SoftwareSceneRig(const SoftwareSceneRig&) = delete;
    SoftwareSceneRig& operator=(const SoftwareSceneRig&) = delete;

    bool ready() const { return device != nullptr && mScratch.entered(); }

    // Moves the show clock to t.
    void setShowTime(float t) { env->addTime(t - env->time()); }

    Frame frame(veko::Effect& effect, float dt)
    {
        driver->beginScene(true, true, irr::video::SColor(255, 0, 0, 0));
        effect.idle(dt);
        driver->endScene();
        return readSoftwareFrame(driver);
    }

    irr::IrrlichtDevice* device = nullptr;
    irr::video::IVideoDriver* driver = nullptr;
    veko::Env* env = nullptr;

private:
    EmptyWorkingDirectory mScratch;   // entered before the device exists, left after it is gone
};

// A flat, two-sided rectangle with corners a, b, c, d (in order around it) of one colour (its
// alpha is written as it is), entered in the mesh cache as `name`. Lit, it takes no ambient
// light and faces along (b - a) x (d - a).
inline void addFlatModel(irr::scene::ISceneManager* sceneManager, const char* name,
                         irr::core::vector3df a, irr::core::vector3df b, irr::core::vector3df c,
                         irr::core::vector3df d, irr::video::SColor color, bool lit = false)
{
    using namespace irr;
    scene::SMeshBuffer* buffer = new scene::SMeshBuffer();
    const core::vector3df normal = (b - a).crossProduct(d - a).normalize();
    const core::vector3df corners[4] = { a, b, c, d };
    for (const core::vector3df& p : corners)
        buffer->Vertices.push_back(video::S3DVertex(p, normal, color, core::vector2df(0, 0)));
    const u16 indices[6] = { 0, 1, 2, 0, 2, 3 };
    for (u16 i : indices)
        buffer->Indices.push_back(i);
    buffer->Material.Lighting = lit;
    buffer->Material.AmbientColor = video::SColor(255, 0, 0, 0);
    buffer->Material.BackfaceCulling = false;
    buffer->recalculateBoundingBox();

    scene::SMesh* mesh = new scene::SMesh();
    mesh->addMeshBuffer(buffer);
    mesh->recalculateBoundingBox();
    scene::SAnimatedMesh* animated = new scene::SAnimatedMesh(mesh);
    sceneManager->getMeshCache()->addMesh(name, animated);
    animated->drop();
    mesh->drop();
    buffer->drop();
}

// Where a world point lands on the 640x480 screen under the driver's projection and view.
inline irr::core::vector2di screenPoint(irr::video::IVideoDriver* driver, irr::core::vector3df p)
{
    irr::core::matrix4 m = driver->getTransform(irr::video::ETS_PROJECTION);
    m *= driver->getTransform(irr::video::ETS_VIEW);
    irr::f32 v[4];
    m.transformVect(v, p);
    return irr::core::vector2di(static_cast<int>((v[0] / v[3] + 1) * 320), static_cast<int>((1 - v[1] / v[3]) * 240));
}

} // namespace testing_support

#endif
