#ifndef VEKO_SHOW_WINDOW_H
#define VEKO_SHOW_WINDOW_H

#include <cstdint>

#include "platform/MonitorFinder.h"

struct _XDisplay;

namespace veko {

// The show's own X window, made before the engine so that it is right from the first moment:
// black behind, already asking to be fullscreen when it is mapped, with the visual the
// engine's OpenGL context wants. The engine draws into it (SIrrlichtCreationParameters::
// WindowId) and hears its keys and focus through its own connection (listenOn).
//
// FULLSCREEN covers one monitor (MonitorFinder) without touching the video mode: through the
// window manager's EWMH fullscreen state when one runs; without one the window is simply put
// on that monitor and takes the focus itself. WINDOWED is an ordinary 640x480 window that
// the user may resize.
//
// On Windows it is a Win32 window, black behind, borderless over the monitor or an ordinary
// window; closing it, Alt+F4 and the session's end ask the show to end through its teardown.
class ShowWindow {
public:
    enum Kind { FULLSCREEN, WINDOWED };

    // Null when the display cannot be reached or offers no OpenGL visual. depthBits: the
    // depth buffer the engine will ask for, which decides the visual it wants.
    static ShowWindow* create(Kind kind, int depthBits);
    ~ShowWindow();

    ShowWindow(const ShowWindow&) = delete;
    ShowWindow& operator=(const ShowWindow&) = delete;

    // The window's system handle: an X window id, or a Windows HWND.
    std::uintptr_t id() const { return mWindow; }
    int width() const { return mWidth; }
    int height() const { return mHeight; }

    // The engine reads events on its own connection: let it hear this window's keys, focus,
    // mapping and size.
    void listenOn(_XDisplay* engineDisplay);
    // Maps the window and asks for the fullscreen state; without a window manager, waits
    // until it is viewable and gives it the focus.
    void show();
    // Reads this connection's events; true once the window was asked to close
    // (WM_DELETE_WINDOW, e.g. a close button).
    bool closeRequested();

private:
#ifdef _WIN32
    // On Windows the engine reads the messages posted to the window itself (keys, mouse);
    // the window's procedure sees those sent to it: closing, the session's end, the size.
    friend class ShowWindowProcedure;
    explicit ShowWindow(Kind kind);
    Kind mKind;
    Monitor mMonitor;
    std::uintptr_t mWindow;
    void* mHook;   // sees the messages posted to the window before the engine takes them
    int mWidth, mHeight;
    bool mCloseRequested;
#else
    ShowWindow(_XDisplay* display, Kind kind);
    bool createWindow(int depthBits);
    void setProperties();
    void requestFullscreen();
    bool windowManagerRuns() const;
    unsigned long atom(const char* name) const;

    _XDisplay* mDisplay;
    Kind mKind;
    Monitor mMonitor;
    int mMonitorIndex;
    int mMonitorCount;
    unsigned long mWindow;
    unsigned long mColormap;
    int mWidth, mHeight;
    unsigned long mProtocolsAtom;
    unsigned long mDeleteWindowAtom;
    bool mCloseRequested;
#endif
};

} // namespace veko

#endif
