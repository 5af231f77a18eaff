#include "app/Show.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <X11/Xlib.h>
#include <unistd.h>
#include <irrlicht.h>

#include "app/LoadReport.h"
#include "app/MyEventReceiver.h"
#include "env/Env.h"
#include "framework/Sequencer.h"
#include "platform/DisplayMode.h"

using namespace irr;

namespace veko {

namespace {

volatile std::sig_atomic_t sStopRequested = 0;

// Ctrl+C or a logout ends the show like a closed window: through the teardown, so that the
// display mode and the audio device are given back.
void requestStop(int)
{
    sStopRequested = 1;
}

bool xDisplayAvailable()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

IrrlichtDevice* createShowDevice(MyEventReceiver* receiver)
{
    SIrrlichtCreationParameters params;
    params.DriverType = video::EDT_OPENGL;
    params.WindowSize = core::dimension2du(640, 480);
    params.Bits = 32;
    params.Fullscreen = true;
    params.Stencilbuffer = false;
    params.Vsync = false;
    params.EventReceiver = receiver;
    params.LoggingLevel = ELL_NONE;   // the show prints nothing when all is well
    // An X server now and then drops a connection that follows another one at once.
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (IrrlichtDevice* device = createDeviceEx(params))
            return device;
        usleep(50 * 1000);
    }
    return nullptr;
}

} // namespace

int runShow()
{
    if (!xDisplayAvailable()) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "kavri: cannot open the X display \"%s\"; the show needs an X server with OpenGL\n",
                     name ? name : "");
        return 1;
    }

    // 1-3: the device with the receiver, which needs the device to close it
    MyEventReceiver receiver;
    rememberDesktopMode();
    IrrlichtDevice* device = createShowDevice(&receiver);
    if (!device) {
        std::fprintf(stderr, "kavri: cannot create the 640x480 OpenGL window: the X server offers no usable OpenGL\n");
        return 1;
    }
    receiver.mDevice = device;

    // 4-6: caption, driver, hidden cursor
    device->setWindowCaption(L"Kavri D3D8 window");
    video::IVideoDriver* driver = device->getVideoDriver();
    device->getCursorControl()->setVisible(false);

    // 7-10: the environment, every scene loaded, then the music and at once the first frame
    Env* env = new Env(device);
    Sequencer* sequencer = new Sequencer();
    {
        LoadReport report(device);
        sequencer->initAll();
    }
    env->playMusic("..\\data\\stream\\zaza.ogg");

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    while (device->run()) {
        if (sStopRequested) {
            device->closeDevice();
            continue;
        }
        // An inactive window draws nothing; the next frame's delta covers the gap.
        if (!device->isWindowActive())
            continue;
        driver->beginScene(true, true, video::SColor(0));
        sequencer->frame();
        driver->endScene();
    }

    env->stopMusic();
    sequencer->shutdownAll();
    delete sequencer;
    delete env;
    device->drop();
    return 0;
}

} // namespace veko
