#include "app/Show.h"

#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>

#include <irrlicht.h>

#include "app/LoadReport.h"
#include "app/MyEventReceiver.h"
#include "env/Env.h"
#include "framework/Sequencer.h"
#include "platform/DisplayMode.h"
#include "platform/FrameLog.h"
#include "platform/Report.h"
#include "platform/ShowClock.h"
#include "platform/XServer.h"

using namespace irr;

namespace veko {

namespace {

volatile std::sig_atomic_t sStopRequested = 0;

// While the window is inactive the loop looks for the focus this often, not more.
const u32 kInactiveWaitMs = 10;

// Ctrl+C, a closed terminal or a logout ends the show like a closed window: through the
// teardown, so that the display mode and the audio device are given back.
void requestStop(int)
{
    sStopRequested = 1;
}

IrrlichtDevice* createShowDevice(MyEventReceiver* receiver, bool windowed)
{
    SIrrlichtCreationParameters params;
    params.DriverType = video::EDT_OPENGL;
    params.WindowSize = core::dimension2du(640, 480);
    params.Bits = 32;
    params.Fullscreen = !windowed;
    params.Stencilbuffer = false;
    params.Vsync = false;
    params.EventReceiver = receiver;
    params.LoggingLevel = ELL_NONE;   // the show prints nothing when all is well
    return createDeviceRetrying(params);
}

} // namespace

int runShow(const ShowOptions& options)
{
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::signal(SIGHUP, requestStop);

    if (!xDisplayReachable()) {
        const char* name = std::getenv("DISPLAY");
        report(std::string("cannot open the X display \"") + (name ? name : "") +
               "\"; the show needs an X server with OpenGL");
        return 1;
    }

    // The receiver closes the device, so it learns of it once the device exists.
    MyEventReceiver receiver;
    // A window leaves the desktop's mode alone, so there is nothing to give back.
    if (!options.windowed)
        rememberDesktopMode();
    IrrlichtDevice* device = createShowDevice(&receiver, options.windowed);
    if (!device) {
        report("cannot create the 640x480 OpenGL window: the X server offers no usable OpenGL");
        return 1;
    }
    receiver.mDevice = device;

    device->setWindowCaption(L"Kavri D3D8 window");
    video::IVideoDriver* driver = device->getVideoDriver();
    device->getCursorControl()->setVisible(false);

    // Every scene loads its files before the music starts; the first frame follows at once.
    Env* env = new Env(device);
    Sequencer* sequencer = new Sequencer();
    // Without a data folder every file is missing, and that was said once already.
    {
        std::unique_ptr<LoadReport> report(options.withData ? new LoadReport(device) : nullptr);
        sequencer->initAll();
    }
    // The show clock's zero is the moment the music starts, whether or not the window has the
    // focus yet; the music keeps its place on it. The engine's timer follows the wall clock, so
    // the show sets it from its own clock before every frame.
    ShowClock clock;
    env->musicFollows(clock.share(), options.audioOffsetMs);
    if (!sStopRequested && options.withData)
        env->playMusic("..\\data\\stream\\zaza.ogg");
    ITimer* timer = device->getTimer();
    sequencer->start(clock.milliseconds());
    FrameLog frameLog;

    while (device->run()) {
        const unsigned int now = clock.milliseconds();
        if (sStopRequested) {
            device->closeDevice();
            continue;
        }
        // An inactive window draws nothing and waits; the next frame's delta covers the gap.
        if (!device->isWindowActive()) {
            device->sleep(kInactiveWaitMs);
            continue;
        }
        timer->setTime(now);
        driver->beginScene(true, true, video::SColor(0));
        sequencer->frame();
        driver->endScene();
        frameLog.presented(env->time());
    }

    env->stopMusic();
    sequencer->shutdownAll();
    delete sequencer;
    delete env;
    device->drop();
    return 0;
}

} // namespace veko
