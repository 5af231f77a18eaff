#include "platform/MonitorFinder.h"

#include <windows.h>

namespace veko {

// Windows has no display connection: the display arguments are unused (null).

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

} // namespace veko
