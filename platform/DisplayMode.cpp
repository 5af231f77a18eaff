#include "platform/DisplayMode.h"

#include "platform/XServer.h"

#include <csignal>
#include <initializer_list>

#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/xf86vmode.h>

namespace veko {

namespace {

bool sRemembered = false;
XF86VidModeModeInfo sDesktopMode;

// How long the show waits for the X server to take the desktop's mode back, and how long a
// process left behind goes on waiting for a server that does not answer.
const int kRestoreWaitMs = 500;
const unsigned int kLeftBehindSeconds = 60;

bool hasVidMode(Display* display)
{
    int eventBase = 0, errorBase = 0;
    return XF86VidModeQueryExtension(display, &eventBase, &errorBase) != 0;
}

void switchBack()
{
    Display* display = openXDisplay();
    if (!display)
        return;
    if (hasVidMode(display)) {
        int screen = DefaultScreen(display);
        XF86VidModeSwitchToMode(display, screen, &sDesktopMode);
        XF86VidModeSetViewPort(display, screen, 0, 0);
        XSync(display, False);
    }
    XCloseDisplay(display);
}

// The process left behind: nothing of the show's but this thread, none of its files (the
// show's X connection would keep its window on the screen), ended by the usual signals.
void becomeLeftBehind()
{
    for (int sig : { SIGINT, SIGTERM, SIGHUP })
        std::signal(sig, SIG_DFL);
    const int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd)
        dup2(null, fd);
    close_range(3, ~0u, 0);
    alarm(kLeftBehindSeconds);
}

bool endedWithin(pid_t child, int waitMs)
{
    for (int waited = 0; waited <= waitMs; waited += 5) {
        if (waitpid(child, nullptr, WNOHANG) != 0)
            return true;
        const timespec step = { 0, 5 * 1000 * 1000 };
        nanosleep(&step, nullptr);
    }
    return false;
}

} // namespace

void rememberDesktopMode()
{
    Display* display = openXDisplay();
    if (!display)
        return;
    if (hasVidMode(display)) {
        int count = 0;
        XF86VidModeModeInfo** modes = nullptr;
        // The first entry of the list is the mode in use.
        if (XF86VidModeGetAllModeLines(display, DefaultScreen(display), &count, &modes) && count > 0) {
            sDesktopMode = *modes[0];
            sRemembered = true;
        }
        if (modes)
            XFree(modes);
    }
    XCloseDisplay(display);
}

void restoreDesktopMode()
{
    if (!sRemembered)
        return;
    // Every Xlib call waits for the server's answer, and a server can stop answering (a hung
    // remote link); the show must still end. So a process of its own switches back, and the
    // show waits for it only a little: should the server answer later, the mode comes back then.
    const pid_t child = fork();
    if (child == 0) {
        becomeLeftBehind();
        switchBack();
        _exit(0);
    }
    if (child < 0)
        switchBack();
    else
        endedWithin(child, kRestoreWaitMs);
}

bool currentModeSize(int& width, int& height)
{
    Display* display = openXDisplay();
    if (!display)
        return false;
    bool known = false;
    if (hasVidMode(display)) {
        int dotClock = 0;
        XF86VidModeModeLine line;
        if (XF86VidModeGetModeLine(display, DefaultScreen(display), &dotClock, &line)) {
            width = line.hdisplay;
            height = line.vdisplay;
            known = true;
            if (line.privsize > 0 && line.c_private)
                XFree(line.c_private);
        }
    }
    XCloseDisplay(display);
    return known;
}

} // namespace veko
