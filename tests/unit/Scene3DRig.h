#ifndef KAVRI_SCENE3D_RIG_H
#define KAVRI_SCENE3D_RIG_H

#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <irrlicht.h>

#include "env/Env.h"
#include "framework/Effect.h"
#include "GLSupport.h"

// Drives one scene frame by frame on a device with the show's Env: the null driver (no
// picture, but it counts the triangles drawn) or OpenGL (the show's picture, read back).
// The process runs in an empty scratch directory meanwhile, so a scene finds under
// "../data" only what the test put in the engine's caches.
namespace testing_support {

class Scene3DRig {
public:
    explicit Scene3DRig(bool openGL)
    {
        device = openGL ? createGLDevice() : createNullDevice();
        if (!device)
            return;
        driver = device->getVideoDriver();
        env = new veko::Env(device);
    }
    ~Scene3DRig()
    {
        if (device) {
            env->stopMusic();
            delete env;
            device->drop();
        }
    }
    Scene3DRig(const Scene3DRig&) = delete;
    Scene3DRig& operator=(const Scene3DRig&) = delete;

    bool ready() const { return device != nullptr && mScratch.entered(); }

    // A texture of one colour in the engine's cache under the name a scene loads.
    void addSolidTexture(const char* name, irr::u32 width, irr::u32 height, irr::video::SColor colour)
    {
        irr::video::IImage* image =
            driver->createImage(irr::video::ECF_A8R8G8B8, irr::core::dimension2du(width, height));
        image->fill(colour);
        driver->addTexture(name, image);
        image->drop();
    }

    // One frame of the scene; returns the picture on OpenGL, an empty frame on the null driver.
    Frame frame(veko::Effect& effect, float dt)
    {
        driver->beginScene(true, true, irr::video::SColor(255, 0, 0, 0));
        effect.idle(dt);
        Frame picture;
        if (driver->getDriverType() == irr::video::EDT_OPENGL)
            picture = readBackBuffer();
        driver->endScene();
        return picture;
    }

    irr::IrrlichtDevice* device = nullptr;
    irr::video::IVideoDriver* driver = nullptr;
    veko::Env* env = nullptr;

private:
    EmptyWorkingDirectory mScratch;   // entered before the device exists, left after it is gone
};

inline bool sameColour(irr::video::SColor a, irr::video::SColor b)
{
    return a.getRed() == b.getRed() && a.getGreen() == b.getGreen() && a.getBlue() == b.getBlue();
}

// The eye-space direction in which OpenGL's light 0 shines (the way the light travels).
inline irr::core::vector3df glLight0Travel()
{
    GLfloat position[4];
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    return irr::core::vector3df(-position[0], -position[1], -position[2]);
}

// The way a light that travels along `world` goes in the eye space of `view`.
inline irr::core::vector3df eyeDirection(const irr::core::matrix4& view, irr::core::vector3df world)
{
    view.rotateVect(world);
    return world;
}

} // namespace testing_support

#endif
