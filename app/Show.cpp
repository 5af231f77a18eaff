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

// The device is an engine object: the show holds one reference to it and gives it back with drop.
struct DropReference {
    void operator()(IReferenceCounted* object) const { object->drop(); }
};
using DeviceReference = std::unique_ptr<IrrlichtDevice, DropReference>;

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
    DeviceReference device(windowMade ? createShowDevice(&receiver, window.get()) : nullptr);
    if (!device) {
        report("cannot create the show's OpenGL window: the display offers no usable OpenGL driver");
        return 1;
    }
    receiver.mDevice = device.get();

    device->setWindowCaption(L"Kavri D3D8 window");
    video::IVideoDriver* driver = device->getVideoDriver();
    device->getCursorControl()->setVisible(false);

    auto env = std::make_unique<Env>(device.get());
    auto screen = std::make_unique<ShowScreen>(env.get(), options.pixelPerfect);
    // Black from the first moment, while the scenes load.
    if (window) {
        window->listenOn(engineDisplay(device.get()));
        window->show();
    }
    screen->showBlack();
    std::unique_ptr<ModeSwitchWatch> modeWatch =
        options.modeSwitch ? std::make_unique<ModeSwitchWatch>(engineWindow(device.get())) : nullptr;

    // Every scene loads its files before the music starts; the first frame follows at once.
    auto sequencer = std::make_unique<Sequencer>();
    // Without a data folder every file is missing, and that was said once already.
    {
        std::unique_ptr<LoadReport> report = options.withData ? std::make_unique<LoadReport>(device.get()) : nullptr;
        sequencer->initAll();
    }
    // Every scene's way of drawing is made ready before the clock starts, so that no scene's
    // first frame is slower than the rest of it.
    if (!stopRequested()) {
        screen->beginFrame();
        sequencer->rehearse();
    }
    // The show clock's zero is the moment the sound device takes the music's first frame,
    // whether or not the window has the focus yet; the music keeps its place on it. The
    // engine's timer follows the wall clock, so the show sets it from its own clock before
    // every frame.
    ShowClock clock;
    env->musicFollows(clock.share(), options.audioOffsetMs);
    if (!stopRequested() && options.withData)
        env->playMusic("..\\data\\stream\\zaza.ogg");
    clock.startedAt(waitForMusic(device.get(), env.get(), window.get()));
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
        if (screen->shownTime() >= 0.0f)
            frameLog.presented(screen->shownTime());
    }

    // The teardown, in this order: the music stops before the scenes go, the scenes before the
    // picture they draw on, all of them before the Env they reach the engine through, and the
    // Env before the device.
    env->stopMusic();
    sequencer->shutdownAll();
    sequencer.reset();   // and every effect
    screen.reset();
    env.reset();
    device.reset();
    return kEndedEarly;
}

} // namespace veko
