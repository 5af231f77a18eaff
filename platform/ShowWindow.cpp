#include "platform/ShowWindow.h"

#include <chrono>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/GlxConfig.h"
#include "platform/XServer.h"

namespace veko {

namespace {

const int kWindowedWidth = 640;
const int kWindowedHeight = 480;
// How long show() waits for a window manager to map the window.
const int kMapWaitMs = 2000;

} // namespace

ShowWindow* ShowWindow::create(Kind kind, int depthBits)
{
    Display* display = openXDisplay();
    if (!display)
        return nullptr;
    ShowWindow* window = new ShowWindow(display, kind);
    if (!window->createWindow(depthBits)) {
        delete window;
        return nullptr;
    }
    window->setProperties();
    // The engine reaches the window through a connection of its own: it must exist by then.
    XSync(display, False);
    return window;
}

ShowWindow::ShowWindow(Display* display, Kind kind)
    : mDisplay(display), mKind(kind), mMonitorIndex(-1), mMonitorCount(0), mWindow(0), mColormap(0),
      mWidth(0), mHeight(0), mProtocolsAtom(0), mDeleteWindowAtom(0), mCloseRequested(false)
{
    mProtocolsAtom = atom("WM_PROTOCOLS");
    mDeleteWindowAtom = atom("WM_DELETE_WINDOW");
    mMonitor = MonitorFinder::showMonitor(display, &mMonitorIndex);
    mMonitorCount = static_cast<int>(MonitorFinder::listMonitors(display).size());
}

ShowWindow::~ShowWindow()
{
    if (mWindow)
        XDestroyWindow(mDisplay, mWindow);
    if (mColormap)
        XFreeColormap(mDisplay, mColormap);
    XCloseDisplay(mDisplay);
}

bool ShowWindow::createWindow(int depthBits)
{
    // The engine's context for this window takes the first configuration of GLX's list.
    XVisualInfo* visual = GlxConfig::visual(mDisplay, depthBits);
    if (!visual)
        return false;
    const Window root = RootWindow(mDisplay, visual->screen);
    mColormap = XCreateColormap(mDisplay, root, visual->visual, AllocNone);

    XSetWindowAttributes attributes;
    attributes.colormap = mColormap;
    attributes.border_pixel = 0;
    // Black from the moment it is mapped, before the first frame is drawn.
    attributes.background_pixel = BlackPixel(mDisplay, visual->screen);
    attributes.event_mask = StructureNotifyMask;

    mWidth = mKind == FULLSCREEN ? mMonitor.width : kWindowedWidth;
    mHeight = mKind == FULLSCREEN ? mMonitor.height : kWindowedHeight;
    mWindow = XCreateWindow(mDisplay, root, mMonitor.x, mMonitor.y, mWidth, mHeight, 0, visual->depth,
                            InputOutput, visual->visual, CWColormap | CWBorderPixel | CWBackPixel | CWEventMask,
                            &attributes);
    XFree(visual);
    return mWindow != 0;
}

unsigned long ShowWindow::atom(const char* name) const
{
    return XInternAtom(mDisplay, name, False);
}

void ShowWindow::setProperties()
{
    XClassHint classHint;
    char name[] = "kavri", className[] = "Kavri";
    classHint.res_name = name;
    classHint.res_class = className;
    XSetClassHint(mDisplay, mWindow, &classHint);

    Atom deleteWindow = mDeleteWindowAtom;
    XSetWMProtocols(mDisplay, mWindow, &deleteWindow, 1);

    // Placed on the show's monitor by us, so that a window manager keeps it there.
    XSizeHints* hints = XAllocSizeHints();
    hints->flags = USPosition | PPosition;
    hints->x = mMonitor.x;
    hints->y = mMonitor.y;
    if (mKind == WINDOWED) {
        hints->flags |= PMinSize;
        hints->min_width = kWindowedWidth / 4;
        hints->min_height = kWindowedHeight / 4;
    }
    XSetWMNormalHints(mDisplay, mWindow, hints);
    XFree(hints);

    // Asking before it is mapped: a window manager then maps it fullscreen at once.
    if (mKind == FULLSCREEN) {
        Atom fullscreen = atom("_NET_WM_STATE_FULLSCREEN");
        XChangeProperty(mDisplay, mWindow, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&fullscreen), 1);
    }
}

void ShowWindow::listenOn(Display* engineDisplay)
{
    XSelectInput(engineDisplay, mWindow,
                 StructureNotifyMask | FocusChangeMask | ExposureMask | KeyPressMask | KeyReleaseMask);
    XFlush(engineDisplay);
}

bool ShowWindow::windowManagerRuns() const
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int got = XGetWindowProperty(mDisplay, DefaultRootWindow(mDisplay), atom("_NET_SUPPORTING_WM_CHECK"), 0, 1,
                                       False, XA_WINDOW, &type, &format, &count, &after, &data);
    const bool runs = got == Success && type == XA_WINDOW && count == 1;
    if (data)
        XFree(data);
    return runs;
}

void ShowWindow::show()
{
    XMapRaised(mDisplay, mWindow);
    XFlush(mDisplay);

    // Wait for the window to become viewable: a window manager may take a moment.
    XEvent event;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kMapWaitMs);
    bool mapped = false;
    while (!mapped && std::chrono::steady_clock::now() < until) {
        if (XCheckTypedWindowEvent(mDisplay, mWindow, MapNotify, &event))
            mapped = true;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    if (windowManagerRuns()) {
        // Some window managers look at the state only when told after mapping.
        if (mKind == FULLSCREEN)
            requestFullscreen();
    } else if (mapped) {
        // Nobody else gives the focus; an unfocused show draws nothing.
        XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
    }
    XFlush(mDisplay);
}

void ShowWindow::requestFullscreen()
{
    const Window root = DefaultRootWindow(mDisplay);
    const long eventMask = SubstructureRedirectMask | SubstructureNotifyMask;

    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = mWindow;
    event.xclient.format = 32;
    event.xclient.message_type = atom("_NET_WM_STATE");
    event.xclient.data.l[0] = 1;   // add
    event.xclient.data.l[1] = static_cast<long>(atom("_NET_WM_STATE_FULLSCREEN"));
    event.xclient.data.l[3] = 1;   // from an application
    XSendEvent(mDisplay, root, False, eventMask, &event);

    // With several monitors, name the one to fill (all four edges on it).
    if (mMonitorCount > 1 && mMonitorIndex >= 0) {
        XEvent monitors = {};
        monitors.xclient.type = ClientMessage;
        monitors.xclient.window = mWindow;
        monitors.xclient.format = 32;
        monitors.xclient.message_type = atom("_NET_WM_FULLSCREEN_MONITORS");
        for (int edge = 0; edge < 4; ++edge)
            monitors.xclient.data.l[edge] = mMonitorIndex;
        monitors.xclient.data.l[4] = 1;
        XSendEvent(mDisplay, root, False, eventMask, &monitors);
    }
}

bool ShowWindow::closeRequested()
{
    while (XPending(mDisplay) > 0) {
        XEvent event;
        XNextEvent(mDisplay, &event);
        if (event.type == ClientMessage && event.xclient.message_type == mProtocolsAtom &&
            static_cast<Atom>(event.xclient.data.l[0]) == mDeleteWindowAtom)
            mCloseRequested = true;
    }
    return mCloseRequested;
}

} // namespace veko
