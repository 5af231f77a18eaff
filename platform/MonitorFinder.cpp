#include "platform/MonitorFinder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#endif

namespace veko {

int MonitorFinder::pick(const std::vector<Monitor>& monitors, int pointerX, int pointerY)
{
    for (size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].primary)
            return static_cast<int>(i);
    for (size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].contains(pointerX, pointerY))
            return static_cast<int>(i);
    return monitors.empty() ? -1 : 0;
}

#ifdef _WIN32

namespace {

BOOL CALLBACK addMonitor(HMONITOR handle, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(handle, &info)) {
        Monitor m;
        m.x = info.rcMonitor.left;
        m.y = info.rcMonitor.top;
        m.width = info.rcMonitor.right - info.rcMonitor.left;
        m.height = info.rcMonitor.bottom - info.rcMonitor.top;
        m.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
        if (m.width > 0 && m.height > 0)
            reinterpret_cast<std::vector<Monitor>*>(list)->push_back(m);
    }
    return TRUE;
}

} // namespace

std::vector<Monitor> MonitorFinder::listMonitors(_XDisplay*)
{
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

Monitor MonitorFinder::showMonitor(_XDisplay*, int* index)
{
    const std::vector<Monitor> monitors = listMonitors(nullptr);
    POINT pointer = {0, 0};
    GetCursorPos(&pointer);
    const int chosen = pick(monitors, pointer.x, pointer.y);
    if (index)
        *index = chosen;
    if (chosen >= 0)
        return monitors[chosen];
    Monitor screen;
    screen.width = GetSystemMetrics(SM_CXSCREEN);
    screen.height = GetSystemMetrics(SM_CYSCREEN);
    return screen;
}

#else

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

#endif

} // namespace veko
