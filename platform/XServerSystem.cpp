#include "platform/XServer.h"
#include "platform/XServerSystem.h"

#include <X11/Xlib.h>

namespace veko {

_XDisplay* openXDisplay()
{
    Display* display = nullptr;
    tryAFewTimes([&] { return (display = XOpenDisplay(nullptr)) != nullptr; });
    return display;
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

} // namespace veko
