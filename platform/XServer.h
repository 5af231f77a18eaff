#ifndef VEKO_X_SERVER_H
#define VEKO_X_SERVER_H

#include <irrlicht.h>

struct _XDisplay;

namespace veko {

// An X server now and then drops a connection that follows another one at once (seen on
// Xvfb under load). These open connections with a few short retries.

// A connection to the display named by $DISPLAY, or null. Close it with XCloseDisplay.
_XDisplay* openXDisplay();

// Whether the display named by $DISPLAY can be reached at all.
bool xDisplayReachable();

// The engine's createDeviceEx, retried as above; null if every attempt failed.
irr::IrrlichtDevice* createDeviceRetrying(const irr::SIrrlichtCreationParameters& params);

} // namespace veko

#endif
