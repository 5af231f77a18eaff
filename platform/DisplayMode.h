#ifndef VEKO_DISPLAY_MODE_H
#define VEKO_DISPLAY_MODE_H

namespace veko {

// The engine switches the X display to 640x480 for fullscreen and switches back only when
// its device is dropped. The show can end without dropping it, so it remembers the desktop's
// mode before the device is made and puts it back itself.
// Both are no-ops without an X display or without the XF86VidMode extension (e.g. Xvfb).
// restoreDesktopMode() returns within about half a second whatever the X server does: a
// server that does not answer by then gets the mode from a process left behind, for a minute.
void rememberDesktopMode();
void restoreDesktopMode();

// The size of the video mode the display shows now, through XF86VidMode. False without it.
bool currentModeSize(int& width, int& height);

} // namespace veko

#endif
