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
      mWidth(0), mHeight(0), mProtocolsAtom(0), mDeleteWindowAtom(0), mCheckAtom(0), mCloseRequested(false),
      mWmCheck(0), mWmMayHaveChanged(false), mViewable(false), mFocusOnMap(false), mEverActive(false),
      mFocusWaitOver(false), mShownAtMs(0)
{
    mProtocolsAtom = atom("WM_PROTOCOLS");
    mDeleteWindowAtom = atom("WM_DELETE_WINDOW");
    mCheckAtom = atom("_NET_SUPPORTING_WM_CHECK");
    // A window manager that starts (or replaces another) sets the root's check property.
    XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
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
    // Its mapping and reparenting, and whether it ever had the focus (heard on this connection
    // even while the engine's loop does not run yet).
    attributes.event_mask = StructureNotifyMask | FocusChangeMask;

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

unsigned long ShowWindow::windowManagerCheck()
{
    ErrorTrap trap(mDisplay);
    const Window check = windowNamedBy(mDisplay, DefaultRootWindow(mDisplay), mCheckAtom);
    // A window that is gone, or one that does not name itself, is left over from a window
    // manager that has ended.
    if (!check || windowNamedBy(mDisplay, check, mCheckAtom) != check)
        return 0;
    // Its end is heard as the check window's DestroyNotify, however the window manager ended.
    XSelectInput(mDisplay, check, StructureNotifyMask);
    return trap.failed() ? 0 : check;
}

void ShowWindow::show()
{
    mShownAtMs = steadyMs();
    XMapRaised(mDisplay, mWindow);
    XFlush(mDisplay);

    // Wait for the window to become viewable: a window manager may take a moment.
    XEvent event;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kMapWaitMs);
    while (!mViewable && std::chrono::steady_clock::now() < until) {
        if (XCheckTypedWindowEvent(mDisplay, mWindow, MapNotify, &event))
            mViewable = true;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    mWmCheck = windowManagerCheck();
    if (mWmCheck) {
        // Some window managers look at the state only when told after mapping.
        if (mKind == FULLSCREEN)
            requestFullscreen();
    } else {
        // Nobody else gives the focus; an unfocused show draws nothing.
        takeFocus();
    }
    XFlush(mDisplay);
}

void ShowWindow::takeFocus()
{
    // Only a viewable window may have the focus; one that is not yet takes it when mapped.
    mFocusOnMap = !mViewable;
    if (mFocusOnMap)
        return;
    ErrorTrap trap(mDisplay);
    XRaiseWindow(mDisplay, mWindow);
    XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
    if (trap.failed())
        mFocusOnMap = true;
}

void ShowWindow::followWindowManager()
{
    const Window check = windowManagerCheck();
    if (check == mWmCheck)
        return;
    mWmCheck = check;
    if (check) {
        // A window manager came: it takes the window, which asks again to be fullscreen and
        // active, as it was on the bare server.
        if (mKind == FULLSCREEN)
            requestFullscreen();
        requestActivation();
    } else {
        // The window manager went: its frame is gone and nobody gives the focus any more.
        if (mKind == FULLSCREEN)
            XMoveResizeWindow(mDisplay, mWindow, mMonitor.x, mMonitor.y, mMonitor.width, mMonitor.height);
        takeFocus();
    }
    XFlush(mDisplay);
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
    XSendEvent(mDisplay, DefaultRootWindow(mDisplay), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
}

void ShowWindow::requestFullscreen()
{
    // Add the state, asked by an application.
    sendToRoot(atom("_NET_WM_STATE"), { 1, static_cast<long>(atom("_NET_WM_STATE_FULLSCREEN")), 0, 1, 0 });

    // With several monitors, name the one to fill (all four edges on it).
    if (mMonitorCount > 1 && mMonitorIndex >= 0)
        sendToRoot(atom("_NET_WM_FULLSCREEN_MONITORS"), { mMonitorIndex, mMonitorIndex, mMonitorIndex, mMonitorIndex, 1 });
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
        if (event.xclient.message_type == mProtocolsAtom && static_cast<Atom>(event.xclient.data.l[0]) == mDeleteWindowAtom)
            mCloseRequested = true;
        break;
    case PropertyNotify:
        if (event.xproperty.atom == mCheckAtom)
            mWmMayHaveChanged = true;
        break;
    case DestroyNotify:
        if (mWmCheck && event.xdestroywindow.window == mWmCheck)
            mWmMayHaveChanged = true;
        break;
    case ReparentNotify:
        // Into a window manager's frame, or back to the root when the window manager ends.
        if (event.xreparent.window == mWindow)
            mWmMayHaveChanged = true;
        break;
    case FocusIn:
        if (event.xfocus.window == mWindow)
            mEverActive = true;
        break;
    case MapNotify:
        if (event.xmap.window == mWindow)
            mViewable = true;
        break;
    case UnmapNotify:
        if (event.xunmap.window == mWindow)
            mViewable = false;
        break;
    default:
        break;
    }
}

bool ShowWindow::closeRequested()
{
    while (XPending(mDisplay) > 0) {
        XEvent event;
        XNextEvent(mDisplay, &event);
        readEvent(event);
    }
    return mCloseRequested;
}

bool ShowWindow::drawsNow(bool active)
{
    if (mWmMayHaveChanged) {
        mWmMayHaveChanged = false;
        followWindowManager();
    }
    if (mFocusOnMap && mViewable && !mWmCheck)
        takeFocus();
    if (active) {
        mEverActive = true;
        return true;
    }
    // Lost after it was had, the focus is the user's choice: the show waits for it.
    if (mEverActive || !mViewable || steadyMs() - mShownAtMs < kFocusWaitMs)
        return false;
    if (!mFocusWaitOver) {
        mFocusWaitOver = true;
        // Ask once more, whoever decides; then show the picture anyway.
        followWindowManager();
        if (mWmCheck)
            requestActivation();
        else
            takeFocus();
        XFlush(mDisplay);
        report("the show's window has not been given the focus; it plays without it. "
               "Click the window to give it the keys (Escape ends the show)");
    }
    return true;
}

} // namespace veko
