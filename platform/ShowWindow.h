#ifndef VEKO_SHOW_WINDOW_H
#define VEKO_SHOW_WINDOW_H

#include <cstdint>
#include <memory>

#include "platform/MonitorFinder.h"

struct _XDisplay;
union _XEvent;

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
// A window manager runs when the root's _NET_SUPPORTING_WM_CHECK names a window that exists
// and names itself the same way (EWMH). One that exits, cleanly or killed, leaves the root's
// property naming a window that is gone; so the window watches the check window and the
// root's property all along: when a window manager goes, the show takes its place (placed
// and focused as on a bare X server); when one comes, the window is handed to it.
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
    // Once per pass of the loop, after closeRequested. active: whether the engine sees the
    // window active (focused and mapped). Follows a window manager that comes or goes, and
    // answers whether the show draws: while active; and while a window that has never had the
    // focus is viewable, once the focus was awaited for long enough, so that the user sees
    // the show instead of a black screen (and is told, once, how to give it the keys).
    bool drawsNow(bool active);

private:
    // What one system alone keeps about the window: ShowWindow.cpp defines it for X (the
    // display connection, the atoms, the window manager followed), windows/ShowWindow.cpp for
    // Windows (the message hook).
    struct System;
    ShowWindow(Kind kind, std::unique_ptr<System> system);

    // X only (ShowWindow.cpp).
    bool createWindow(int depthBits);
    void setProperties();
    void requestFullscreen();
    void requestActivation();
    // The live window manager's check window, watched from now on for its end; 0 if none runs.
    unsigned long windowManagerCheck();
    void readEvent(const _XEvent& event);
    void followWindowManager();
    void takeFocus();
    void sendToRoot(unsigned long type, const long (&data)[5]);
    unsigned long atom(const char* name) const;

    // Windows only: the engine reads the messages posted to the window itself (keys, mouse);
    // the window's procedure sees those sent to it: closing, the session's end, the size.
    friend class ShowWindowProcedure;

    Kind mKind;
    Monitor mMonitor;   // the one the show fills
    std::uintptr_t mWindow;
    int mWidth, mHeight;
    bool mCloseRequested;
    std::unique_ptr<System> mSystem;
};

} // namespace veko

#endif
