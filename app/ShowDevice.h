#ifndef VEKO_SHOW_DEVICE_H
#define VEKO_SHOW_DEVICE_H

#include <irrlicht.h>

namespace veko {

class ShowWindow;

// The depth buffer the show asks the engine for (the engine's default, as kavri-capture's).
const int kShowDepthBits = 16;

// The engine device of the show: OpenGL, drawing into the show's own window, or, without one
// (--mode-switch), into a fullscreen window the engine makes itself after switching the video
// mode. Null when it cannot be made.
irr::IrrlichtDevice* createShowDevice(irr::IEventReceiver* receiver, const ShowWindow* window);

} // namespace veko

#endif
