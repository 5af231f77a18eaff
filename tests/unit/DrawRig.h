#ifndef KAVRI_DRAW_RIG_H
#define KAVRI_DRAW_RIG_H

#include <functional>
#include <initializer_list>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <irrlicht.h>

#include "env/Env.h"
#include "framework/Effect.h"
#include "GLSupport.h"

// A device with the show's Env on it, for tests that draw and read the frame back:
// the OpenGL driver (the show's own, needs DISPLAY) or Burning's software renderer.
namespace testing_support {

enum class Backend { Software, OpenGL };

inline const char* backendName(Backend backend)
{
    return backend == Backend::OpenGL ? "OpenGL" : "Software";
}

class DrawRig {
public:
    explicit DrawRig(Backend backend) : mBackend(backend)
    {
        device = backend == Backend::OpenGL ? createGLDevice() : createSoftwareDevice();
        if (!device)
            return;
        driver = device->getVideoDriver();
        env = new veko::Env(device);
    }
    ~DrawRig()
    {
        if (!device)
            return;
        env->stopMusic();
        delete env;
        device->drop();
    }
    DrawRig(const DrawRig&) = delete;
    DrawRig& operator=(const DrawRig&) = delete;

    // Draws one frame on a cleared screen and returns what it shows.
    Frame render(const std::function<void()>& draw, irr::video::SColor clear = irr::video::SColor(255, 0, 0, 0))
    {
        driver->beginScene(true, true, clear);
        draw();
        Frame frame;
        if (mBackend == Backend::OpenGL)
            frame = readBackBuffer();
        driver->endScene();
        if (mBackend == Backend::Software)
            frame = readSoftwareFrame(driver);
        return frame;
    }

    // Runs a scene's frames, one for each delta, and returns what the last one shows.
    Frame play(veko::Effect& effect, std::initializer_list<float> deltas)
    {
        Frame frame;
        for (float dt : deltas)
            frame = render([&] { effect.idle(dt); });
        return frame;
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

inline std::string rgb(irr::video::SColor c)
{
    return "(" + std::to_string(c.getRed()) + ", " + std::to_string(c.getGreen()) + ", " +
           std::to_string(c.getBlue()) + ")";
}

} // namespace testing_support

#endif
