#include "platform/XServer.h"

#include <X11/Xlib.h>
#include <unistd.h>

namespace veko {

namespace {

const int kAttempts = 8;

void pauseBeforeRetry()
{
    usleep(50 * 1000);
}

} // namespace

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
