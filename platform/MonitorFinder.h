#ifndef VEKO_MONITOR_FINDER_H
#define VEKO_MONITOR_FINDER_H

#include <vector>

struct _XDisplay;

namespace veko {

// A rectangle of the X screen that one monitor shows, in root window pixels.
struct Monitor {
    int x = 0, y = 0, width = 0, height = 0;
    bool primary = false;

    bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

// Which monitor the show fills: the primary one, else the one under the pointer, else the
// first one; with no monitors known at all, the whole screen.
class MonitorFinder {
public:
    // The show's monitor on this display, asked through RandR 1.5's monitor list.
    // index is set to its place in that list (-1 for the whole screen).
    static Monitor showMonitor(_XDisplay* display, int* index = nullptr);

    // The rule itself: the index into monitors, or -1 when there are none.
    static int pick(const std::vector<Monitor>& monitors, int pointerX, int pointerY);
    static std::vector<Monitor> listMonitors(_XDisplay* display);
};

} // namespace veko

#endif
