#include "app/Show.h"

#include <cstdlib>
#include <memory>
#include <string>

#include <irrlicht.h>

#include "app/LoadReport.h"
#include "app/MyEventReceiver.h"
#include "app/ShowDevice.h"
#include "env/Env.h"
#include "env/ShowScreen.h"
#include "framework/Sequencer.h"
#include "platform/DisplayMode.h"
#include "platform/FrameLog.h"
#include "platform/ModeSwitchWatch.h"
#include "platform/Report.h"
#include "platform/ShowClock.h"
#include "platform/ShowWindow.h"
#include "platform/StopRequest.h"
#include "platform/XServer.h"

using namespace irr;

namespace veko {

namespace {

// While the window is inactive the loop looks for the focus this often, not more.
const u32 kInactiveWaitMs = 10;

// A sound device that starts late (a PulseAudio null sink ticks every 2 s) is waited for this
// long at most, the first frame held black: then the music starts from the clock.
const long long kMostMusicWaitMs = 3000;

// Holds the show's start, black, until the sound device plays the music's first frame: the
// show clock's zero is then. Events are looked at meanwhile, so the show can be ended.
long long waitForMusic(IrrlichtDevice* device, Env* env, ShowWindow* window)
{
    long long zero = 0;
    const long long until = ShowClock::monotonicMilliseconds() + kMostMusicWaitMs;
    while (!env->musicBegun(&zero)) {
        if (ShowClock::monotonicMilliseconds() >= until || stopRequested() || (window && window->closeRequested()) ||
            !device->run())
            return env->beginMusicNow();
        device->sleep(1);
    }
    return zero;
}

// A show ended early (Escape, its window closed, Ctrl+C, SIGTERM) ends like one that ran out.
const int kEndedEarly = 0;

} // namespace

int runShow(const ShowOptions& options)
{
    listenForStopRequests(kEndedEarly);

    if (!xDisplayReachable()) {
        const char* name = std::getenv("DISPLAY");
        report(std::string("cannot open the X display \"") + (name ? name : "") +
               "\"; the show needs an X server with OpenGL");
        return 1;
    }

    // The receiver closes the device, so it learns of it once the device exists.
    MyEventReceiver receiver;
    // Only --mode-switch touches the desktop's mode, so only then is there something to give back.
    std::unique_ptr<ShowWindow> window;
    if (options.modeSwitch)
        rememberDesktopMode();
    else
        window.reset(ShowWindow::create(options.windowed ? ShowWindow::WINDOWED : ShowWindow::FULLSCREEN, kShowDepthBits));
    const bool windowMade = window || options.modeSwitch;   // with --mode-switch the engine makes it
    IrrlichtDevice* device = windowMade ? createShowDevice(&receiver, window.get()) : nullptr;
    if (!device) {
        report("cannot create the show's OpenGL window: the display offers no usable OpenGL driver");
        return 1;
    }
    receiver.mDevice = device;

    device->setWindowCaption(L"Kavri D3D8 window");
    video::IVideoDriver* driver = device->getVideoDriver();
    device->getCursorControl()->setVisible(false);

    Env* env = new Env(device);
    ShowScreen* screen = new ShowScreen(env, options.pixelPerfect);
    // Black from the first moment, while the scenes load.
    if (window) {
        window->listenOn(engineDisplay(device));
        window->show();
    }
    screen->showBlack();
    std::unique_ptr<ModeSwitchWatch> modeWatch(options.modeSwitch ? new ModeSwitchWatch(engineWindow(device)) : nullptr);

    // Every scene loads its files before the music starts; the first frame follows at once.
    Sequencer* sequencer = new Sequencer();
    // Without a data folder every file is missing, and that was said once already.
    {
        std::unique_ptr<LoadReport> report(options.withData ? new LoadReport(device) : nullptr);
        sequencer->initAll();
    }
    // The show clock's zero is the moment the sound device takes the music's first frame,
    // whether or not the window has the focus yet; the music keeps its place on it. The
    // engine's timer follows the wall clock, so the show sets it from its own clock before
    // every frame.
    ShowClock clock;
    env->musicFollows(clock.share(), options.audioOffsetMs);
    if (!stopRequested() && options.withData)
        env->playMusic("..\\data\\stream\\zaza.ogg");
    clock.startedAt(waitForMusic(device, env, window.get()));
    ITimer* timer = device->getTimer();
    sequencer->start(clock.milliseconds());
    FrameLog frameLog;

    while (device->run()) {
        const unsigned int now = clock.milliseconds();
        if (stopRequested() || (window && window->closeRequested())) {
            device->closeDevice();
            continue;
        }
        if (modeWatch)
            modeWatch->check(now);
        env->keepMusic();
        // An inactive window draws nothing and waits; the next frame's delta covers the gap.
        // The show still ends on time when nobody comes back to it.
        const bool active = device->isWindowActive();
        if (!(window ? window->drawsNow(active) : active)) {
            sequencer->endIfOver(now);
            device->sleep(kInactiveWaitMs);
            continue;
        }
        timer->setTime(now);
        screen->beginFrame();
        sequencer->frame();
        // A picture put on the window past OpenGL must not be covered by a swap.
        if (!screen->present())
            driver->endScene();
        frameLog.presented(env->time());
    }

    env->stopMusic();
    sequencer->shutdownAll();
    delete sequencer;
    delete screen;
    delete env;
    device->drop();
    return kEndedEarly;
}

} // namespace veko
