#include "platform/ShowWindow.h"

#include <chrono>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/GlxConfig.h"
#include "platform/Report.h"
#include "platform/XServer.h"

namespace veko {

namespace {

const int kWindowedWidth = 640;
const int kWindowedHeight = 480;
// How long show() waits for a window manager to map the window.
const int kMapWaitMs = 2000;
// How long a window that never had the focus waits for it before the show draws anyway.
const int kFocusWaitMs = 3000;

long long steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Requests about another client's window fail when that window is gone. While an ErrorTrap
// lives, such an error is counted instead of ending the process (Xlib's default handler).
// The show uses X from one thread only, so swapping the process-wide handler is safe.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : mDisplay(display)
    {
        XSync(mDisplay, False);
        sErrors = 0;
        mPrevious = XSetErrorHandler(count);
    }
    ~ErrorTrap()
    {
        XSync(mDisplay, False);
        XSetErrorHandler(mPrevious);
    }
    bool failed()
    {
        XSync(mDisplay, False);
        return sErrors > 0;
    }

private:
    static int count(Display*, XErrorEvent*)
    {
        ++sErrors;
        return 0;
    }
    static int sErrors;
    Display* mDisplay;
    XErrorHandler mPrevious;
};
int ErrorTrap::sErrors = 0;

// The window that a WINDOW property of `window` names, or 0 (no such property, or no such
// window: call it inside an ErrorTrap).
Window windowNamedBy(Display* display, Window window, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window named = 0;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1 && data)
        named = *reinterpret_cast<Window*>(data);
    if (data)
        XFree(data);
    return named;
}

} // namespace

// What the X window keeps besides what both systems do.
struct ShowWindow::System {
    explicit System(Display* connection) : display(connection) {}

    Display* display;
    int monitorIndex = -1;       // the show's monitor among all of them (RandR's order),
    int monitorCount = 0;        // named to a window manager when there are several
    Colormap colormap = 0;
    Atom protocolsAtom = 0;
    Atom deleteWindowAtom = 0;
    Atom checkAtom = 0;          // _NET_SUPPORTING_WM_CHECK
    Window wmCheck = 0;          // the live window manager's check window, or 0
    bool wmMayHaveChanged = false;   // an event says the window manager may have come or gone
    bool viewable = false;       // mapped (as far as this connection has heard)
    bool focusOnMap = false;     // take the focus once the window is viewable again
    bool everActive = false;     // has had the focus (FocusIn, or the engine saw it active)
    bool focusWaitOver = false;  // the wait for a first focus is over: said so, asked again
    long long shownAtMs = 0;     // steady clock at show()
};

ShowWindow* ShowWindow::create(Kind kind, int depthBits)
{
    Display* display = openXDisplay();
    if (!display)
        return nullptr;
    ShowWindow* window = new ShowWindow(kind, std::unique_ptr<System>(new System(display)));
    if (!window->createWindow(depthBits)) {
        delete window;
        return nullptr;
    }
    window->setProperties();
    // The engine reaches the window through a connection of its own: it must exist by then.
    XSync(display, False);
    return window;
}

ShowWindow::ShowWindow(Kind kind, std::unique_ptr<System> system)
    : mKind(kind), mWindow(0), mWidth(0), mHeight(0), mCloseRequested(false), mSystem(std::move(system))
{
    Display* display = mSystem->display;
    mSystem->protocolsAtom = atom("WM_PROTOCOLS");
    mSystem->deleteWindowAtom = atom("WM_DELETE_WINDOW");
    mSystem->checkAtom = atom("_NET_SUPPORTING_WM_CHECK");
    // A window manager that starts (or replaces another) sets the root's check property.
    XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
    mMonitor = MonitorFinder::showMonitor(display, &mSystem->monitorIndex);
    mSystem->monitorCount = static_cast<int>(MonitorFinder::listMonitors(display).size());
}

ShowWindow::~ShowWindow()
{
    if (mWindow)
        XDestroyWindow(mSystem->display, mWindow);
    if (mSystem->colormap)
        XFreeColormap(mSystem->display, mSystem->colormap);
    XCloseDisplay(mSystem->display);
}

bool ShowWindow::createWindow(int depthBits)
{
    // The engine's context for this window takes the first configuration of GLX's list.
    XVisualInfo* visual = GlxConfig::visual(mSystem->display, depthBits);
    if (!visual)
        return false;
    const Window root = RootWindow(mSystem->display, visual->screen);
    mSystem->colormap = XCreateColormap(mSystem->display, root, visual->visual, AllocNone);

    XSetWindowAttributes attributes;
    attributes.colormap = mSystem->colormap;
    attributes.border_pixel = 0;
    // Black from the moment it is mapped, before the first frame is drawn.
    attributes.background_pixel = BlackPixel(mSystem->display, visual->screen);
    // Its mapping and reparenting, and whether it ever had the focus (heard on this connection
    // even while the engine's loop does not run yet).
    attributes.event_mask = StructureNotifyMask | FocusChangeMask;

    mWidth = mKind == FULLSCREEN ? mMonitor.width : kWindowedWidth;
    mHeight = mKind == FULLSCREEN ? mMonitor.height : kWindowedHeight;
    mWindow = XCreateWindow(mSystem->display, root, mMonitor.x, mMonitor.y, mWidth, mHeight, 0, visual->depth,
                            InputOutput, visual->visual, CWColormap | CWBorderPixel | CWBackPixel | CWEventMask,
                            &attributes);
    XFree(visual);
    return mWindow != 0;
}

unsigned long ShowWindow::atom(const char* name) const
{
    return XInternAtom(mSystem->display, name, False);
}

void ShowWindow::setProperties()
{
    XClassHint classHint;
    char name[] = "kavri", className[] = "Kavri";
    classHint.res_name = name;
    classHint.res_class = className;
    XSetClassHint(mSystem->display, mWindow, &classHint);

    Atom deleteWindow = mSystem->deleteWindowAtom;
    XSetWMProtocols(mSystem->display, mWindow, &deleteWindow, 1);

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
    XSetWMNormalHints(mSystem->display, mWindow, hints);
    XFree(hints);

    // Asking before it is mapped: a window manager then maps it fullscreen at once.
    if (mKind == FULLSCREEN) {
        Atom fullscreen = atom("_NET_WM_STATE_FULLSCREEN");
        XChangeProperty(mSystem->display, mWindow, atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&fullscreen), 1);
    }
}

void ShowWindow::listenOn(Display* engineDisplay)
{
    XSelectInput(engineDisplay, mWindow,
                 StructureNotifyMask | FocusChangeMask | ExposureMask | KeyPressMask | KeyReleaseMask);
    XFlush(engineDisplay);
}

unsigned long ShowWindow::windowManagerCheck()
{
    ErrorTrap trap(mSystem->display);
    const Window check = windowNamedBy(mSystem->display, DefaultRootWindow(mSystem->display), mSystem->checkAtom);
    // A window that is gone, or one that does not name itself, is left over from a window
    // manager that has ended.
    if (!check || windowNamedBy(mSystem->display, check, mSystem->checkAtom) != check)
        return 0;
    // Its end is heard as the check window's DestroyNotify, however the window manager ended.
    XSelectInput(mSystem->display, check, StructureNotifyMask);
    return trap.failed() ? 0 : check;
}

void ShowWindow::show()
{
    mSystem->shownAtMs = steadyMs();
    XMapRaised(mSystem->display, mWindow);
    XFlush(mSystem->display);

    // Wait for the window to become viewable: a window manager may take a moment.
    XEvent event;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kMapWaitMs);
    while (!mSystem->viewable && std::chrono::steady_clock::now() < until) {
        if (XCheckTypedWindowEvent(mSystem->display, mWindow, MapNotify, &event))
            mSystem->viewable = true;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    mSystem->wmCheck = windowManagerCheck();
    if (mSystem->wmCheck) {
        // Some window managers look at the state only when told after mapping.
        if (mKind == FULLSCREEN)
            requestFullscreen();
    } else {
        // Nobody else gives the focus; an unfocused show draws nothing.
        takeFocus();
    }
    XFlush(mSystem->display);
}

void ShowWindow::takeFocus()
{
    // Only a viewable window may have the focus; one that is not yet takes it when mapped.
    mSystem->focusOnMap = !mSystem->viewable;
    if (mSystem->focusOnMap)
        return;
    ErrorTrap trap(mSystem->display);
    XRaiseWindow(mSystem->display, mWindow);
    XSetInputFocus(mSystem->display, mWindow, RevertToParent, CurrentTime);
    if (trap.failed())
        mSystem->focusOnMap = true;
}

void ShowWindow::followWindowManager()
{
    const Window check = windowManagerCheck();
    if (check == mSystem->wmCheck)
        return;
    mSystem->wmCheck = check;
    if (check) {
        // A window manager came: it takes the window, which asks again to be fullscreen and
        // active, as it was on the bare server.
        if (mKind == FULLSCREEN)
            requestFullscreen();
        requestActivation();
    } else {
        // The window manager went: its frame is gone and nobody gives the focus any more.
        if (mKind == FULLSCREEN)
            XMoveResizeWindow(mSystem->display, mWindow, mMonitor.x, mMonitor.y, mMonitor.width, mMonitor.height);
        takeFocus();
    }
    XFlush(mSystem->display);
}

void ShowWindow::sendToRoot(unsigned long type, const long (&data)[5])
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = mWindow;
    event.xclient.format = 32;
    event.xclient.message_type = type;
    for (int i = 0; i < 5; ++i)
        event.xclient.data.l[i] = data[i];
    XSendEvent(mSystem->display, DefaultRootWindow(mSystem->display), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
}

void ShowWindow::requestFullscreen()
{
    // Add the state, asked by an application.
    sendToRoot(atom("_NET_WM_STATE"), { 1, static_cast<long>(atom("_NET_WM_STATE_FULLSCREEN")), 0, 1, 0 });

    // With several monitors, name the one to fill (all four edges on it).
    if (mSystem->monitorCount > 1 && mSystem->monitorIndex >= 0) {
        const long index = mSystem->monitorIndex;
        sendToRoot(atom("_NET_WM_FULLSCREEN_MONITORS"), { index, index, index, index, 1 });
    }
}

void ShowWindow::requestActivation()
{
    // Asked by an application, at no particular time.
    sendToRoot(atom("_NET_ACTIVE_WINDOW"), { 1, CurrentTime, 0, 0, 0 });
}

void ShowWindow::readEvent(const XEvent& event)
{
    switch (event.type) {
    case ClientMessage:
        if (event.xclient.message_type == mSystem->protocolsAtom && static_cast<Atom>(event.xclient.data.l[0]) == mSystem->deleteWindowAtom)
            mCloseRequested = true;
        break;
    case PropertyNotify:
        if (event.xproperty.atom == mSystem->checkAtom)
            mSystem->wmMayHaveChanged = true;
        break;
    case DestroyNotify:
        if (mSystem->wmCheck && event.xdestroywindow.window == mSystem->wmCheck)
            mSystem->wmMayHaveChanged = true;
        break;
    case ReparentNotify:
        // Into a window manager's frame, or back to the root when the window manager ends.
        if (event.xreparent.window == mWindow)
            mSystem->wmMayHaveChanged = true;
        break;
    case FocusIn:
        if (event.xfocus.window == mWindow)
            mSystem->everActive = true;
        break;
    case MapNotify:
        if (event.xmap.window == mWindow)
            mSystem->viewable = true;
        break;
    case UnmapNotify:
        if (event.xunmap.window == mWindow)
            mSystem->viewable = false;
        break;
    default:
        break;
    }
}

bool ShowWindow::closeRequested()
{
    while (XPending(mSystem->display) > 0) {
        XEvent event;
        XNextEvent(mSystem->display, &event);
        readEvent(event);
    }
    return mCloseRequested;
}

bool ShowWindow::drawsNow(bool active)
{
    if (mSystem->wmMayHaveChanged) {
        mSystem->wmMayHaveChanged = false;
        followWindowManager();
    }
    if (mSystem->focusOnMap && mSystem->viewable && !mSystem->wmCheck)
        takeFocus();
    if (active) {
        mSystem->everActive = true;
        return true;
    }
    // Lost after it was had, the focus is the user's choice: the show waits for it.
    if (mSystem->everActive || !mSystem->viewable || steadyMs() - mSystem->shownAtMs < kFocusWaitMs)
        return false;
    if (!mSystem->focusWaitOver) {
        mSystem->focusWaitOver = true;
        // Ask once more, whoever decides; then show the picture anyway.
        followWindowManager();
        if (mSystem->wmCheck)
            requestActivation();
        else
            takeFocus();
        XFlush(mSystem->display);
        report("the show's window has not been given the focus; it plays without it. "
               "Click the window to give it the keys (Escape ends the show)");
    }
    return true;
}

} // namespace veko
