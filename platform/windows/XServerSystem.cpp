#include "platform/XServer.h"

namespace veko {

// Windows has no X server: there is always a desktop to show on, and the engine's window is
// an HWND.

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

} // namespace veko
