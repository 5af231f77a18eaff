#include "platform/ModeSwitchWatch.h"

#include <windows.h>

#include "platform/MonitorFinder.h"

namespace veko {

// The engine's window is an HWND, reached without a display connection (mDisplay stays null).

ModeSwitchWatch::ModeSwitchWatch(std::uintptr_t engineWindow)
    : mDisplay(nullptr), mWindow(engineWindow), mLastCheckMs(0), mChecked(false), mFellBack(false)
{
}

ModeSwitchWatch::~ModeSwitchWatch() = default;

bool ModeSwitchWatch::canWatch() const
{
    return true;
}

void ModeSwitchWatch::coverMonitor()
{
    const Monitor monitor = MonitorFinder::showMonitor(nullptr);
    const HWND window = reinterpret_cast<HWND>(mWindow);
    SetWindowPos(window, HWND_TOP, monitor.x, monitor.y, monitor.width, monitor.height, SWP_SHOWWINDOW);
    SetForegroundWindow(window);
}

} // namespace veko
