// SPDX-License-Identifier: MIT
#include "platform/DisplayMode.h"

#include <windows.h>

namespace veko {

// Windows keeps the desktop's mode in the registry: a program's switch (the engine's, with
// CDS_FULLSCREEN) is undone by going back to that, and by Windows itself when the program ends.
namespace {

bool sRemembered = false;

} // namespace

void rememberDesktopMode()
{
    sRemembered = true;
}

void restoreDesktopMode()
{
    if (sRemembered)
        ChangeDisplaySettingsW(nullptr, 0);
}

bool currentModeSize(int& width, int& height)
{
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode))
        return false;
    width = static_cast<int>(mode.dmPelsWidth);
    height = static_cast<int>(mode.dmPelsHeight);
    return true;
}

} // namespace veko
