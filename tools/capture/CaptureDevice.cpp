#include "tools/capture/CaptureDevice.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <GL/gl.h>

#include "platform/XServer.h"
#include "tools/capture/PrivateXServer.h"

using namespace irr;

namespace veko {

namespace {

SIrrlichtCreationParameters baseParameters()
{
    SIrrlichtCreationParameters params;
    params.WindowSize = core::dimension2du(CaptureDevice::kWidth, CaptureDevice::kHeight);
    params.Bits = 32;
    params.Fullscreen = false;
    params.Stencilbuffer = false;
    params.Vsync = false;
    params.LoggingLevel = ELL_NONE;
    return params;
}

// The console device takes SIGINT, SIGTERM and SIGABRT for itself when it is made, and then
// only marks itself closed, which nobody asks. The process keeps its own handlers: those in
// place before are put back, with the signals held meanwhile, so none is lost in between.
IrrlichtDevice* createKeepingSignals(const SIrrlichtCreationParameters& params)
{
    const int taken[] = { SIGINT, SIGTERM, SIGHUP, SIGABRT };
    sigset_t held, before;
    sigemptyset(&held);
    for (const int signal : taken)
        sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, &before);
    struct sigaction actions[4];
    for (int i = 0; i < 4; ++i)
        sigaction(taken[i], nullptr, &actions[i]);
    IrrlichtDevice* device = createDeviceEx(params);
    for (int i = 0; i < 4; ++i)
        sigaction(taken[i], &actions[i], nullptr);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return device;
}

} // namespace

CaptureDevice* CaptureDevice::create(bool software, std::string& error)
{
    SIrrlichtCreationParameters params = baseParameters();
    std::FILE* console = nullptr;
    IrrlichtDevice* device = nullptr;
    std::unique_ptr<PrivateXServer> server;
    if (software) {
        // The console device prints every frame as text unless it writes to nowhere.
        console = std::fopen("/dev/null", "w");
        params.DeviceType = EIDT_CONSOLE;
        params.DriverType = video::EDT_BURNINGSVIDEO;
        params.WindowId = console;
        device = createKeepingSignals(params);
        if (!device)
            error = "cannot create the software renderer's device";
    } else {
        // Without an X display the window goes to a virtual X server of our own, where
        // Mesa draws the same picture.
        const char* name = std::getenv("DISPLAY");
        params.DriverType = video::EDT_OPENGL;
        if (!name || !*name) {
            server.reset(PrivateXServer::start(error));
            if (!server)
                return nullptr;
            name = std::getenv("DISPLAY");
        }
        device = createDeviceRetrying(params);
        if (!device && !xDisplayReachable())
            error = std::string("cannot open the X display \"") + name +
                    "\" for OpenGL; unset DISPLAY to have the capture start an X server of its own";
        else if (!device)
            error = std::string("cannot create a 640x480 OpenGL window on the X display \"") + name + "\"";
    }
    if (!device) {
        if (console)
            std::fclose(console);
        return nullptr;
    }
    device->setWindowCaption(L"kavri-capture");
    return new CaptureDevice(device, software, console, server.release());
}

CaptureDevice::CaptureDevice(IrrlichtDevice* device, bool software, std::FILE* console, PrivateXServer* server)
    : mDevice(device), mDriver(device->getVideoDriver()), mSoftware(software), mConsole(console), mServer(server),
      mRow(kWidth * 3)
{
}

CaptureDevice::~CaptureDevice()
{
    // The engine's connection to the X server is closed before the server goes.
    mDevice->drop();
    delete mServer;
    if (mConsole)
        std::fclose(mConsole);
}

void CaptureDevice::beginFrame()
{
    mDevice->run();
    mDriver->beginScene(true, true, video::SColor(0));
}

void CaptureDevice::endFrame(std::vector<std::uint8_t>* rgb)
{
    // OpenGL's front buffer reads black on some drivers: take the back buffer before it is
    // presented. The software renderer keeps its frame after endScene.
    if (rgb && !mSoftware)
        readBackBuffer(*rgb);
    mDriver->endScene();
    if (rgb && mSoftware)
        readScreenShot(*rgb);
}

void CaptureDevice::finish()
{
    if (!mSoftware)
        glFinish();
}

void CaptureDevice::readBackBuffer(std::vector<std::uint8_t>& rgb)
{
    const size_t row = kWidth * 3;
    rgb.resize(row * kHeight);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    // OpenGL gives the bottom row first.
    for (int y = 0; y < kHeight / 2; ++y) {
        std::uint8_t* top = &rgb[y * row];
        std::uint8_t* bottom = &rgb[(kHeight - 1 - y) * row];
        std::memcpy(mRow.data(), top, row);
        std::memcpy(top, bottom, row);
        std::memcpy(bottom, mRow.data(), row);
    }
}

void CaptureDevice::readScreenShot(std::vector<std::uint8_t>& rgb)
{
    rgb.assign(static_cast<size_t>(kWidth) * kHeight * 3, 0);
    video::IImage* shot = mDriver->createScreenShot();
    if (!shot)
        return;
    const core::dimension2du size = shot->getDimension();
    const u32 width = size.Width < u32(kWidth) ? size.Width : u32(kWidth);
    const u32 height = size.Height < u32(kHeight) ? size.Height : u32(kHeight);
    for (u32 y = 0; y < height; ++y)
        for (u32 x = 0; x < width; ++x) {
            const video::SColor c = shot->getPixel(x, y);
            std::uint8_t* p = &rgb[(y * kWidth + x) * 3];
            p[0] = static_cast<std::uint8_t>(c.getRed());
            p[1] = static_cast<std::uint8_t>(c.getGreen());
            p[2] = static_cast<std::uint8_t>(c.getBlue());
        }
    shot->drop();
}

} // namespace veko
