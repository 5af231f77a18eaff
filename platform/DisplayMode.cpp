#include "platform/DisplayMode.h"

#include "platform/XServer.h"

#include <X11/Xlib.h>
#include <X11/extensions/xf86vmode.h>

namespace veko {

namespace {

bool sRemembered = false;
XF86VidModeModeInfo sDesktopMode;

bool hasVidMode(Display* display)
{
    int eventBase = 0, errorBase = 0;
    return XF86VidModeQueryExtension(display, &eventBase, &errorBase) != 0;
}

} // namespace

void rememberDesktopMode()
{
    Display* display = openXDisplay();
    if (!display)
        return;
    if (hasVidMode(display)) {
        int count = 0;
        XF86VidModeModeInfo** modes = nullptr;
        // The first entry of the list is the mode in use.
        if (XF86VidModeGetAllModeLines(display, DefaultScreen(display), &count, &modes) && count > 0) {
            sDesktopMode = *modes[0];
            sRemembered = true;
        }
        if (modes)
            XFree(modes);
    }
    XCloseDisplay(display);
}

void restoreDesktopMode()
{
    if (!sRemembered)
        return;
    Display* display = openXDisplay();
    if (!display)
        return;
    if (hasVidMode(display)) {
        int screen = DefaultScreen(display);
        XF86VidModeSwitchToMode(display, screen, &sDesktopMode);
        XF86VidModeSetViewPort(display, screen, 0, 0);
        XSync(display, False);
    }
    XCloseDisplay(display);
}

bool currentModeSize(int& width, int& height)
{
    Display* display = openXDisplay();
    if (!display)
        return false;
    bool known = false;
    if (hasVidMode(display)) {
        int dotClock = 0;
        XF86VidModeModeLine line;
        if (XF86VidModeGetModeLine(display, DefaultScreen(display), &dotClock, &line)) {
            width = line.hdisplay;
            height = line.vdisplay;
            known = true;
            if (line.privsize > 0 && line.c_private)
                XFree(line.c_private);
        }
    }
    XCloseDisplay(display);
    return known;
}

} // namespace veko
