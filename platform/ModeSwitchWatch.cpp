#include "platform/ModeSwitchWatch.h"

#include <X11/Xlib.h>

#include "platform/DisplayMode.h"
#include "platform/MonitorFinder.h"
#include "platform/XServer.h"

namespace veko {

namespace {

const int kShowWidth = 640;
const int kShowHeight = 480;

} // namespace

ModeSwitchWatch::ModeSwitchWatch(unsigned long engineWindow)
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

void ModeSwitchWatch::check(unsigned int nowMs)
{
    if (mFellBack || !mDisplay || (mChecked && nowMs - mLastCheckMs < kIntervalMs))
        return;
    mChecked = true;
    mLastCheckMs = nowMs;
    int width = 0, height = 0;
    if (currentModeSize(width, height) && width == kShowWidth && height == kShowHeight)
        return;
    coverMonitor();
    mFellBack = true;
}

void ModeSwitchWatch::coverMonitor()
{
    const Monitor monitor = MonitorFinder::showMonitor(mDisplay);
    XSetWindowBackground(mDisplay, mWindow, BlackPixel(mDisplay, DefaultScreen(mDisplay)));
    XMoveResizeWindow(mDisplay, mWindow, monitor.x, monitor.y, monitor.width, monitor.height);
    XRaiseWindow(mDisplay, mWindow);
    XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
    XSync(mDisplay, False);
}

} // namespace veko
