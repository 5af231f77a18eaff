#ifndef KAVRI_SCENE_RIG_H
#define KAVRI_SCENE_RIG_H

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

#include <irrlicht.h>

#include "env/Env.h"
#include "framework/Effect.h"
#include "GLSupport.h"

// One rig for every test that drives the show's drawing: a device with the show's Env on it,
// frames drawn on a cleared screen and read back.
//   Backend::Null      no picture, but the driver counts the triangles drawn
//   Backend::Software  Burning's renderer: no X server, every transform kept, frames exact
//   Backend::OpenGL    the show's own picture (needs DISPLAY)
// With Folder::Empty the process runs in an empty scratch directory while the rig lives, so a
// scene finds under "../data" only what the test put in the engine's caches.
namespace testing_support {

enum class Backend { Null, Software, OpenGL };
enum class Folder { Kept, Empty };

inline const char* backendName(Backend backend)
{
    switch (backend) {
    case Backend::Null: return "Null";
    case Backend::Software: return "Software";
    default: return "OpenGL";
    }
}

class SceneRig {
public:
    explicit SceneRig(Backend backend, Folder folder = Folder::Kept) : mBackend(backend)
    {
        if (folder == Folder::Empty)
            mScratch.emplace();   // entered before the device exists, left after it is gone
        device = backend == Backend::OpenGL     ? createGLDevice()
                 : backend == Backend::Software ? createSoftwareDevice()
                                                : createNullDevice();
        if (!device)
            return;
        driver = device->getVideoDriver();
        env = new veko::Env(device);
    }
    ~SceneRig()
    {
        if (!device)
            return;
        delete env;
        device->drop();
    }
    SceneRig(const SceneRig&) = delete;
    SceneRig& operator=(const SceneRig&) = delete;

    bool ready() const { return device != nullptr && (!mScratch || mScratch->entered()); }

    // Moves the show clock to t.
    void setShowTime(float t) { env->addTime(t - env->time()); }

    // Draws one frame on a cleared screen and returns what it shows (nothing on the null driver).
    Frame render(const std::function<void()>& draw, irr::video::SColor clear = irr::video::SColor(255, 0, 0, 0))
    {
        driver->beginScene(true, true, clear);
        draw();
        Frame picture;
        if (mBackend == Backend::OpenGL)
            picture = readBackBuffer();   // before endScene: the front buffer reads black on llvmpipe
        driver->endScene();
        if (mBackend == Backend::Software)
            picture = readSoftwareFrame(driver);
        return picture;
    }

    // One frame of a scene.
    Frame frame(veko::Effect& effect, float dt)
    {
        return render([&] { effect.idle(dt); });
    }

    // A scene's frames, one for each delta; returns what the last one shows.
    Frame play(veko::Effect& effect, std::initializer_list<float> deltas)
    {
        Frame picture;
        for (float dt : deltas)
            picture = frame(effect, dt);
        return picture;
    }

    // A texture in the engine's cache under a name, so that getTexture(name) finds it
    // without touching the file system. pixel(x, y) gives each texel.
    irr::video::ITexture* addTexture(const char* name, irr::u32 width, irr::u32 height,
                                     const std::function<irr::video::SColor(irr::u32, irr::u32)>& pixel)
    {
        irr::video::IImage* image = driver->createImage(irr::video::ECF_A8R8G8B8,
                                                        irr::core::dimension2du(width, height));
        for (irr::u32 y = 0; y < height; ++y)
            for (irr::u32 x = 0; x < width; ++x)
                image->setPixel(x, y, pixel(x, y));
        irr::video::ITexture* texture = driver->addTexture(name, image);
        image->drop();
        return texture;
    }

    irr::video::ITexture* addSolidTexture(const char* name, irr::u32 width, irr::u32 height,
                                          irr::video::SColor color)
    {
        return addTexture(name, width, height, [color](irr::u32, irr::u32) { return color; });
    }

    irr::IrrlichtDevice* device = nullptr;
    irr::video::IVideoDriver* driver = nullptr;
    veko::Env* env = nullptr;

private:
    std::optional<EmptyWorkingDirectory> mScratch;
    Backend mBackend;
};

// Colours read back may differ from the drawn ones by rounding of the blend.
inline bool near(irr::video::SColor a, irr::video::SColor b, int tolerance = 3)
{
    auto close = [tolerance](irr::u32 x, irr::u32 y) {
        return static_cast<int>(x) - static_cast<int>(y) <= tolerance &&
               static_cast<int>(y) - static_cast<int>(x) <= tolerance;
    };
    return close(a.getRed(), b.getRed()) && close(a.getGreen(), b.getGreen()) && close(a.getBlue(), b.getBlue());
}

inline bool sameColour(irr::video::SColor a, irr::video::SColor b)
{
    return a.getRed() == b.getRed() && a.getGreen() == b.getGreen() && a.getBlue() == b.getBlue();
}

inline std::string rgb(irr::video::SColor c)
{
    return "(" + std::to_string(c.getRed()) + ", " + std::to_string(c.getGreen()) + ", " +
           std::to_string(c.getBlue()) + ")";
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
