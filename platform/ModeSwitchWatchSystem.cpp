#include "platform/ModeSwitchWatch.h"

#include <X11/Xlib.h>

#include "platform/MonitorFinder.h"
#include "platform/XServer.h"

namespace veko {

ModeSwitchWatch::ModeSwitchWatch(std::uintptr_t engineWindow)
    : mDisplay(openXDisplay()), mWindow(engineWindow), mLastCheckMs(0), mChecked(false), mFellBack(false)
{
    // The engine asks for the focus before its window is mapped; no window manager looks
    // after a window that bypasses it, so the show asks again.
    if (mDisplay) {
        XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
        XSync(mDisplay, False);
    }
}

ModeSwitchWatch::~ModeSwitchWatch()
{
    if (mDisplay)
        XCloseDisplay(mDisplay);
}

bool ModeSwitchWatch::canWatch() const
{
    return mDisplay != nullptr;
}

void ModeSwitchWatch::coverMonitor()
{
    if (!mDisplay)
        return;
    const Monitor monitor = MonitorFinder::showMonitor(mDisplay);
    XSetWindowBackground(mDisplay, mWindow, BlackPixel(mDisplay, DefaultScreen(mDisplay)));
    XMoveResizeWindow(mDisplay, mWindow, monitor.x, monitor.y, monitor.width, monitor.height);
    XRaiseWindow(mDisplay, mWindow);
    XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
    XSync(mDisplay, False);
}

} // namespace veko
