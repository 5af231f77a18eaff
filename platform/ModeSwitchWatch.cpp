#include "platform/ModeSwitchWatch.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xlib.h>
#endif

#include "platform/DisplayMode.h"
#include "platform/MonitorFinder.h"
#include "platform/XServer.h"

namespace veko {

namespace {

const int kShowWidth = 640;
const int kShowHeight = 480;

} // namespace

#ifdef _WIN32

ModeSwitchWatch::ModeSwitchWatch(std::uintptr_t engineWindow)
    : mDisplay(nullptr), mWindow(engineWindow), mLastCheckMs(0), mChecked(false), mFellBack(false)
{
}

ModeSwitchWatch::~ModeSwitchWatch() = default;

#else

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

#endif

void ModeSwitchWatch::check(unsigned int nowMs)
{
#ifndef _WIN32
    if (!mDisplay)
        return;
#endif
    if (mFellBack || (mChecked && nowMs - mLastCheckMs < kIntervalMs))
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
#ifdef _WIN32
    const Monitor monitor = MonitorFinder::showMonitor(nullptr);
    const HWND window = reinterpret_cast<HWND>(mWindow);
    SetWindowPos(window, HWND_TOP, monitor.x, monitor.y, monitor.width, monitor.height, SWP_SHOWWINDOW);
    SetForegroundWindow(window);
#else
    if (!mDisplay)
        return;
    const Monitor monitor = MonitorFinder::showMonitor(mDisplay);
    XSetWindowBackground(mDisplay, mWindow, BlackPixel(mDisplay, DefaultScreen(mDisplay)));
    XMoveResizeWindow(mDisplay, mWindow, monitor.x, monitor.y, monitor.width, monitor.height);
    XRaiseWindow(mDisplay, mWindow);
    XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
    XSync(mDisplay, False);
#endif
}

} // namespace veko
