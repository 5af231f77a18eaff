#include "platform/MonitorFinder.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace veko {

std::vector<Monitor> MonitorFinder::listMonitors(Display* display)
{
    std::vector<Monitor> monitors;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) || !XRRQueryVersion(display, &major, &minor))
        return monitors;
    if (major < 1 || (major == 1 && minor < 5))
        return monitors;   // monitors came with RandR 1.5
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
    for (int i = 0; info && i < count; ++i) {
        Monitor m;
        m.x = info[i].x;
        m.y = info[i].y;
        m.width = info[i].width;
        m.height = info[i].height;
        m.primary = info[i].primary != 0;
        if (m.width > 0 && m.height > 0)
            monitors.push_back(m);
    }
    if (info)
        XRRFreeMonitors(info);
    return monitors;
}

Monitor MonitorFinder::showMonitor(Display* display, int* index)
{
    const std::vector<Monitor> monitors = listMonitors(display);
    Window root = DefaultRootWindow(display), rootReturn = 0, child = 0;
    int px = 0, py = 0, wx = 0, wy = 0;
    unsigned int buttons = 0;
    XQueryPointer(display, root, &rootReturn, &child, &px, &py, &wx, &wy, &buttons);

    const int chosen = pick(monitors, px, py);
    if (index)
        *index = chosen;
    if (chosen >= 0)
        return monitors[chosen];
    Monitor screen;
    screen.width = DisplayWidth(display, DefaultScreen(display));
    screen.height = DisplayHeight(display, DefaultScreen(display));
    return screen;
}

} // namespace veko
