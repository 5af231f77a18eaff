#include "app/ShowDevice.h"

#include "platform/ShowWindow.h"
#include "platform/XServer.h"

using namespace irr;

namespace veko {

IrrlichtDevice* createShowDevice(IEventReceiver* receiver, const ShowWindow* window)
{
    SIrrlichtCreationParameters params;
    params.DriverType = video::EDT_OPENGL;
    params.WindowSize = core::dimension2du(640, 480);
    params.Bits = 32;
    params.Fullscreen = window == nullptr;
    params.Stencilbuffer = false;
    params.Vsync = false;
    params.EventReceiver = receiver;
    params.LoggingLevel = ELL_NONE;   // the show prints nothing when all is well
    params.ZBufferBits = kShowDepthBits;
    if (window) {
        params.WindowSize = core::dimension2du(window->width(), window->height());
        params.WindowId = reinterpret_cast<void*>(window->id());
    }
    return createDeviceRetrying(params);
}

} // namespace veko
