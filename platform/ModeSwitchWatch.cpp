#include "platform/ModeSwitchWatch.h"

#include "platform/DisplayMode.h"

namespace veko {

// The system's part, the window's own calls, is in ModeSwitchWatchSystem.cpp.

namespace {

const int kShowWidth = 640;
const int kShowHeight = 480;

} // namespace

void ModeSwitchWatch::check(unsigned int nowMs)
{
    if (!canWatch())
        return;
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

} // namespace veko
