#ifndef VEKO_MODE_SWITCH_WATCH_H
#define VEKO_MODE_SWITCH_WATCH_H

#include <cstdint>

struct _XDisplay;

namespace veko {

// With --mode-switch the engine switches the display to 640x480 and puts its window in the
// screen's upper left corner. Anything may put the desktop's mode back during the show (a
// display-settings panel's RandR query does), and a display without a 640x480 mode never
// leaves its own. Then the show must not go on as a small picture in a corner: the window is
// made to cover the show's monitor, where the picture is shown scaled like without the option.
class ModeSwitchWatch {
public:
    static const unsigned int kIntervalMs = 1000;

    explicit ModeSwitchWatch(std::uintptr_t engineWindow);
    ~ModeSwitchWatch();

    // Looks at the display's mode at most once per interval (nowMs: any millisecond clock).
    void check(unsigned int nowMs);
    bool fellBack() const { return mFellBack; }

private:
    // The system's part (ModeSwitchWatchSystem.cpp): whether the window can be reached (on
    // Linux through a display connection of its own), and making it cover the show's monitor.
    bool canWatch() const;
    void coverMonitor();

    _XDisplay* mDisplay;
    std::uintptr_t mWindow;
    unsigned int mLastCheckMs;
    bool mChecked;
    bool mFellBack;
};

} // namespace veko

#endif
