#include "platform/MonitorFinder.h"

#include <cstddef>

namespace veko {

// The system's part, the monitors and the pointer, is in MonitorFinderSystem.cpp.

int MonitorFinder::pick(const std::vector<Monitor>& monitors, int pointerX, int pointerY)
{
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].primary)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].contains(pointerX, pointerY))
            return static_cast<int>(i);
    return monitors.empty() ? -1 : 0;
}

} // namespace veko
