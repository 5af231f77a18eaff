// SPDX-License-Identifier: MIT
#include "platform/ShowWindow.h"

#include <windows.h>

#include "platform/DisplayMode.h"
#include "platform/ShowClock.h"

namespace veko {

namespace {

const int kWindowedWidth = 640;
const int kWindowedHeight = 480;
const wchar_t kClassName[] = L"KavriShowWindow";
const wchar_t kTitle[] = L"Kavri D3D8 window";
// WM_SIZE as the window passes it on to the engine (see below): never passed on again.
const WPARAM kPassedOn = 0x4b41;
// The one show window, for the message hook.
ShowWindow* sWindow = nullptr;

} // namespace

// What the Win32 window keeps besides what both systems do.
struct ShowWindow::System {
    HHOOK hook = nullptr;   // sees the messages posted to the window before the engine takes them
};

// The window's procedure: it sees the messages sent to the window. Those posted to it (keys,
// mouse) the engine takes from the queue itself before they would reach this procedure.
class ShowWindowProcedure {
public:
    static LRESULT CALLBACK handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        ShowWindow* window = reinterpret_cast<ShowWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
            break;
        case WM_CLOSE:
            // The close button or Alt+F4: the show ends through its teardown, which destroys
            // the window last.
            if (window)
                window->mCloseRequested = true;
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // The user logs off: the session may end the process as soon as this returns, so
            // the desktop's mode is given back here and the show is told to end.
            if (wParam) {
                restoreDesktopMode();
                if (window)
                    window->mCloseRequested = true;
            }
            return 0;
        case WM_POWERBROADCAST:
            // The machine slept: the gap is not show time.
            if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
                ShowClock::noteContinued();
            return TRUE;
        case WM_SIZE:
            // The engine fits its picture to the window when it reads WM_SIZE itself, and it
            // reads only posted messages: the size is passed on that way, once.
            if (wParam != kPassedOn)
                PostMessageW(hwnd, WM_SIZE, kPassedOn, lParam);
            return 0;
        case WM_SYSCOMMAND:
            // No screen saver and no monitor power-down during the show.
            if ((wParam & 0xfff0) == SC_SCREENSAVE || (wParam & 0xfff0) == SC_MONITORPOWER)
                return 0;
            break;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    // Every message the thread takes from its queue passes here first. A WM_CLOSE posted to
    // the window (taskkill, the Task Manager's "End task") would reach the engine, whose
    // default handling destroys the window under the running show: it becomes a request to
    // end through the teardown instead.
    static LRESULT CALLBACK posted(int code, WPARAM wParam, LPARAM lParam)
    {
        MSG* message = reinterpret_cast<MSG*>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE && sWindow && message->message == WM_CLOSE &&
            message->hwnd == reinterpret_cast<HWND>(sWindow->mWindow)) {
            sWindow->mCloseRequested = true;
            message->message = WM_NULL;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

ShowWindow* ShowWindow::create(Kind kind, int /*depthBits: the engine picks the pixel format itself*/)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC;   // OpenGL keeps its device context
    windowClass.lpfnWndProc = ShowWindowProcedure::handle;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"KAVRI");
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    // Black from the moment it is shown, before the first frame is drawn.
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    ShowWindow* window = new ShowWindow(kind, std::unique_ptr<System>(new System));
    RECT area = {window->mMonitor.x, window->mMonitor.y, window->mMonitor.x + window->mMonitor.width,
                 window->mMonitor.y + window->mMonitor.height};
    DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (kind == WINDOWED) {
        // An ordinary window with a 640x480 inside, centred on the monitor.
        style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        RECT inside = {0, 0, kWindowedWidth, kWindowedHeight};
        AdjustWindowRect(&inside, style, FALSE);
        const int width = inside.right - inside.left, height = inside.bottom - inside.top;
        area.left = window->mMonitor.x + (window->mMonitor.width - width) / 2;
        area.top = window->mMonitor.y + (window->mMonitor.height - height) / 2;
        area.right = area.left + width;
        area.bottom = area.top + height;
    }
    const HWND hwnd = CreateWindowExW(0, kClassName, kTitle, style, area.left, area.top, area.right - area.left,
                                      area.bottom - area.top, nullptr, nullptr, instance, window);
    if (!hwnd) {
        delete window;
        return nullptr;
    }
    window->mWindow = reinterpret_cast<std::uintptr_t>(hwnd);
    window->mSystem->hook = SetWindowsHookExW(WH_GETMESSAGE, ShowWindowProcedure::posted, nullptr, GetCurrentThreadId());
    sWindow = window;
    RECT client;
    GetClientRect(hwnd, &client);
    window->mWidth = client.right - client.left;
    window->mHeight = client.bottom - client.top;
    return window;
}

ShowWindow::ShowWindow(Kind kind, std::unique_ptr<System> system)
    : mKind(kind), mWindow(0), mWidth(0), mHeight(0), mCloseRequested(false), mSystem(std::move(system))
{
    mMonitor = MonitorFinder::showMonitor(nullptr);
}

ShowWindow::~ShowWindow()
{
    if (mSystem->hook)
        UnhookWindowsHookEx(mSystem->hook);
    if (sWindow == this)
        sWindow = nullptr;
    if (mWindow)
        DestroyWindow(reinterpret_cast<HWND>(mWindow));
}

void ShowWindow::listenOn(_XDisplay*)
{
    // The engine reads the window's queue in its own loop already.
}

void ShowWindow::show()
{
    const HWND hwnd = reinterpret_cast<HWND>(mWindow);
    ::ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    // The show draws only while its window is the active one.
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    SetFocus(hwnd);
}

bool ShowWindow::closeRequested()
{
    return mCloseRequested;
}

bool ShowWindow::drawsNow(bool active)
{
    return active;
}

} // namespace veko
