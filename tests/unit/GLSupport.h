#ifndef KAVRI_GL_SUPPORT_H
#define KAVRI_GL_SUPPORT_H

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <GL/gl.h>
#include <irrlicht.h>

#include "TestSupport.h"
#include "platform/XServer.h"

// The show's real picture comes from the OpenGL driver. These tests need an X server
// (the test command starts Xvfb); the frame is read from the back buffer before endScene,
// since the front buffer reads black on Mesa's llvmpipe.
namespace testing_support {

inline bool haveDisplay()
{
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && display[0] != '\0';
}

inline irr::IrrlichtDevice* createGLDevice()
{
    quietAudio();
    irr::SIrrlichtCreationParameters params;
    params.DriverType = irr::video::EDT_OPENGL;
    params.WindowSize = irr::core::dimension2du(640, 480);
    params.Bits = 32;
    params.LoggingLevel = irr::ELL_NONE;
    return veko::createDeviceRetrying(params);
}

// 640x480 RGBA pixels, top row first.
struct Frame {
    int width = 640, height = 480;
    std::vector<std::uint8_t> rgba;

    irr::video::SColor at(int x, int y) const
    {
        const std::uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
        return irr::video::SColor(p[3], p[0], p[1], p[2]);
    }
};

inline Frame readBackBuffer()
{
    Frame frame;
    std::vector<std::uint8_t> bottomUp(static_cast<size_t>(frame.width) * frame.height * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    frame.rgba.resize(bottomUp.size());
    const size_t row = static_cast<size_t>(frame.width) * 4;
    for (int y = 0; y < frame.height; ++y)
        std::copy(bottomUp.begin() + (frame.height - 1 - y) * row, bottomUp.begin() + (frame.height - y) * row,
                  frame.rgba.begin() + y * row);
    return frame;
}

// The software renderer's frame, read after endScene.
inline Frame readSoftwareFrame(irr::video::IVideoDriver* driver)
{
    Frame frame;
    irr::video::IImage* shot = driver->createScreenShot();
    frame.width = static_cast<int>(shot->getDimension().Width);
    frame.height = static_cast<int>(shot->getDimension().Height);
    frame.rgba.resize(static_cast<size_t>(frame.width) * frame.height * 4);
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x) {
            irr::video::SColor c = shot->getPixel(x, y);
            std::uint8_t* p = &frame.rgba[(static_cast<size_t>(y) * frame.width + x) * 4];
            p[0] = static_cast<std::uint8_t>(c.getRed());
            p[1] = static_cast<std::uint8_t>(c.getGreen());
            p[2] = static_cast<std::uint8_t>(c.getBlue());
            p[3] = static_cast<std::uint8_t>(c.getAlpha());
        }
    shot->drop();
    return frame;
}

} // namespace testing_support

#endif
