#ifndef VEKO_GLX_CONFIG_H
#define VEKO_GLX_CONFIG_H

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace veko {

// The OpenGL frame buffer configuration the engine asks GLX for (no alpha, no stencil,
// double buffered, no multisampling), seen from outside the engine.
class GlxConfig {
public:
    // The visual of the first configuration with at least depthBits, as the engine picks it.
    // Free it with XFree; null when there is none.
    static XVisualInfo* visual(Display* display, int depthBits);
};

} // namespace veko

#endif
