#include "platform/GlxConfig.h"

#include <GL/glx.h>

namespace veko {

namespace {

// The first configuration of the same list the engine's OpenGL device takes its own from.
bool firstConfig(Display* display, int depthBits, GLXFBConfig& config)
{
    const int attributes[] = {
        GLX_RENDER_TYPE, GLX_RGBA_BIT,
        GLX_RED_SIZE, 4, GLX_GREEN_SIZE, 4, GLX_BLUE_SIZE, 4, GLX_ALPHA_SIZE, 0,
        GLX_DEPTH_SIZE, depthBits,
        GLX_DOUBLEBUFFER, True,
        GLX_STENCIL_SIZE, 0,
        GLX_SAMPLE_BUFFERS, 0, GLX_SAMPLES, 0,
        GLX_STEREO, False,
        None
    };
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (!configs)
        return false;
    const bool found = count > 0;
    if (found)
        config = configs[0];
    XFree(configs);
    return found;
}

} // namespace

XVisualInfo* GlxConfig::visual(Display* display, int depthBits)
{
    GLXFBConfig config;
    return firstConfig(display, depthBits, config) ? glXGetVisualFromFBConfig(display, config) : nullptr;
}

} // namespace veko
