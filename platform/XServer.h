#ifndef VEKO_X_SERVER_H
#define VEKO_X_SERVER_H

#include <cstdint>

#include <irrlicht.h>

struct _XDisplay;

namespace veko {

// An X server now and then drops a connection that follows another one at once (seen on
// Xvfb under load). These open connections with a few short retries.

// A connection to the display named by $DISPLAY, or null. Close it with XCloseDisplay.
// (Linux only: Windows has no X server.)
_XDisplay* openXDisplay();

// Whether the display named by $DISPLAY can be reached at all (on Windows: always).
bool xDisplayReachable();

// The engine's createDeviceEx, retried as above; null if every attempt failed.
irr::IrrlichtDevice* createDeviceRetrying(const irr::SIrrlichtCreationParameters& params);

// The engine's own connection to the X server (null on Windows) and its window: an X window
// id, or a Windows HWND.
_XDisplay* engineDisplay(irr::IrrlichtDevice* device);
std::uintptr_t engineWindow(irr::IrrlichtDevice* device);

} // namespace veko

#endif
