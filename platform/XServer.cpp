#include "platform/XServer.h"

#include <chrono>
#include <thread>

#ifndef _WIN32
#include <X11/Xlib.h>
#endif

namespace veko {

namespace {

const int kAttempts = 8;

void pauseBeforeRetry()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace

#ifdef _WIN32

bool xDisplayReachable()
{
    return true;
}

_XDisplay* engineDisplay(irr::IrrlichtDevice*)
{
    return nullptr;
}

std::uintptr_t engineWindow(irr::IrrlichtDevice* device)
{
    return reinterpret_cast<std::uintptr_t>(device->getVideoDriver()->getExposedVideoData().OpenGLWin32.HWnd);
}

#else

_XDisplay* openXDisplay()
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt)
            pauseBeforeRetry();
        if (Display* display = XOpenDisplay(nullptr))
            return display;
    }
    return nullptr;
}

bool xDisplayReachable()
{
    Display* display = openXDisplay();
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

_XDisplay* engineDisplay(irr::IrrlichtDevice* device)
{
    return static_cast<_XDisplay*>(device->getVideoDriver()->getExposedVideoData().OpenGLLinux.X11Display);
}

std::uintptr_t engineWindow(irr::IrrlichtDevice* device)
{
    return device->getVideoDriver()->getExposedVideoData().OpenGLLinux.X11Window;
}

#endif

irr::IrrlichtDevice* createDeviceRetrying(const irr::SIrrlichtCreationParameters& params)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt)
            pauseBeforeRetry();
        if (irr::IrrlichtDevice* device = irr::createDeviceEx(params))
            return device;
    }
    return nullptr;
}

} // namespace veko
