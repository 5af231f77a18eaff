#include "platform/WindowBlit.h"

#include <cstdlib>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace veko {

struct WindowBlit::Segment {
    XShmSegmentInfo info = {};
};

namespace {

// Attaching shared memory fails with an X error on a display elsewhere on the network.
bool gAttachFailed = false;

int noteAttachError(Display*, XErrorEvent*)
{
    gAttachFailed = true;
    return 0;
}

// XDestroyImage frees an image's data and obdata, which for a shared image are the shared
// memory and its segment, neither of them the library's.
void destroySharedImage(XImage* image)
{
    image->data = nullptr;
    image->obdata = nullptr;
    XDestroyImage(image);
}

} // namespace

WindowBlit* WindowBlit::create(Display* display, std::uintptr_t window)
{
    if (!display || !window)
        return nullptr;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return nullptr;
    const Visual* visual = attributes.visual;
    const bool bgrx = (attributes.depth == 24 || attributes.depth == 32) && visual->red_mask == 0xff0000 &&
                      visual->green_mask == 0xff00 && visual->blue_mask == 0xff && ImageByteOrder(display) == LSBFirst;
    if (!bgrx)
        return nullptr;
    // The bars and anything uncovered are painted black by the server itself.
    XSetWindowBackground(display, window, BlackPixel(display, DefaultScreen(display)));
    return new WindowBlit(display, window, attributes.visual, attributes.depth);
}

WindowBlit::WindowBlit(Display* display, std::uintptr_t window, void* visual, int depth)
    : mDisplay(display), mWindow(window), mVisual(visual), mDepth(depth), mGc(XCreateGC(display, window, 0, nullptr)),
      mImage(nullptr), mSegment(nullptr), mShmUsable(XShmQueryExtension(display)), mServerReads(false)
{
}

WindowBlit::~WindowBlit()
{
    release();
    XFreeGC(mDisplay, mGc);
}

void WindowBlit::release()
{
    waitForServer();
    if (!mImage)
        return;
    if (mSegment) {
        XShmDetach(mDisplay, &mSegment->info);
        XSync(mDisplay, False);
        shmdt(mSegment->info.shmaddr);
        destroySharedImage(mImage);
        delete mSegment;
        mSegment = nullptr;
    } else {
        XDestroyImage(mImage);   // frees its pixels too
    }
    mImage = nullptr;
}

std::uint32_t* WindowBlit::buffer(int width, int height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    waitForServer();
    if (mImage && mImage->width == width && mImage->height == height)
        return reinterpret_cast<std::uint32_t*>(mImage->data);
    release();
    if (mShmUsable && !makeSharedImage(width, height))
        mShmUsable = false;   // not on this display: send the pixels from now on
    if (!mImage)
        makeOwnImage(width, height);
    return mImage ? reinterpret_cast<std::uint32_t*>(mImage->data) : nullptr;
}

bool WindowBlit::makeSharedImage(int width, int height)
{
    Segment* segment = new Segment();
    XImage* image = XShmCreateImage(mDisplay, static_cast<Visual*>(mVisual), mDepth, ZPixmap, nullptr,
                                    &segment->info, width, height);
    if (!image || image->bits_per_pixel != 32) {
        if (image)
            destroySharedImage(image);
        delete segment;
        return false;
    }
    XShmSegmentInfo& info = segment->info;
    info.shmid = shmget(IPC_PRIVATE, std::size_t(image->bytes_per_line) * height, IPC_CREAT | 0600);
    void* address = info.shmid >= 0 ? shmat(info.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
    bool attached = false;
    if (address != reinterpret_cast<void*>(-1)) {
        info.shmaddr = image->data = static_cast<char*>(address);
        info.readOnly = True;
        gAttachFailed = false;
        XErrorHandler previous = XSetErrorHandler(noteAttachError);
        attached = XShmAttach(mDisplay, &info);
        XSync(mDisplay, False);
        XSetErrorHandler(previous);
        attached = attached && !gAttachFailed;
    }
    // Marked for removal at once: it goes when both sides have let go, even after a crash.
    if (info.shmid >= 0)
        shmctl(info.shmid, IPC_RMID, nullptr);
    if (!attached) {
        if (address != reinterpret_cast<void*>(-1))
            shmdt(address);
        destroySharedImage(image);
        delete segment;
        return false;
    }
    mImage = image;
    mSegment = segment;
    return true;
}

void WindowBlit::makeOwnImage(int width, int height)
{
    char* data = static_cast<char*>(std::malloc(std::size_t(width) * height * 4));
    if (!data)
        return;
    XImage* image = XCreateImage(mDisplay, static_cast<Visual*>(mVisual), mDepth, ZPixmap, 0, data, width, height,
                                 32, width * 4);
    if (!image) {
        std::free(data);
        return;
    }
    if (image->bits_per_pixel != 32) {
        XDestroyImage(image);   // frees data as well
        return;
    }
    mImage = image;
}

int WindowBlit::stride() const
{
    return mImage ? mImage->bytes_per_line / 4 : 0;
}

void WindowBlit::put(int x, int y)
{
    if (!mImage)
        return;
    if (mSegment) {
        XShmPutImage(mDisplay, mWindow, mGc, mImage, 0, 0, x, y, mImage->width, mImage->height, False);
        mServerReads = true;
    } else {
        XPutImage(mDisplay, mWindow, mGc, mImage, 0, 0, x, y, mImage->width, mImage->height);
    }
    XFlush(mDisplay);
}

void WindowBlit::waitForServer()
{
    // Once the server answers, it has copied the shared pixels.
    if (mServerReads)
        XSync(mDisplay, False);
    mServerReads = false;
}

void WindowBlit::clear()
{
    XClearWindow(mDisplay, mWindow);
}

} // namespace veko
