#include "platform/WindowBlit.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <unistd.h>

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace veko {

struct WindowBlit::Segment {
    std::uint32_t id = 0;   // the server's name for it
    char* pixels = nullptr;
    std::size_t size = 0;
    int width = 0;
    int height = 0;
    bool mapped = false;    // by mmap from a file descriptor, else a System V segment
};

namespace {

// The MIT-SHM requests go through xcb and are checked there, so an error on them reaches
// this file and not the engine's X error handler, which ends the program.
bool succeeded(xcb_connection_t* connection, xcb_void_cookie_t cookie)
{
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    std::free(error);
    return error == nullptr;
}

// A request whose error, if any, no one wants.
void ignoreErrors(xcb_connection_t* connection, xcb_void_cookie_t cookie)
{
    xcb_discard_reply(connection, cookie.sequence);
}

// A file descriptor can be passed only over a local (Unix domain) connection; over TCP libxcb
// would give up the whole connection.
bool localConnection(xcb_connection_t* connection)
{
    sockaddr_storage address;
    socklen_t length = sizeof address;
    if (getsockname(xcb_get_file_descriptor(connection), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    return address.ss_family == AF_UNIX;
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
    : mDisplay(display), mConnection(XGetXCBConnection(display)), mWindow(window), mVisual(visual), mDepth(depth),
      mGc(XCreateGC(display, window, 0, nullptr)), mImage(nullptr), mSegment(nullptr), mShmUsable(false),
      mByDescriptor(false), mServerReads(false), mPutSequence(0)
{
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(mConnection, &xcb_shm_id);
    if (!extension || !extension->present)
        return;
    xcb_shm_query_version_reply_t* version =
        xcb_shm_query_version_reply(mConnection, xcb_shm_query_version(mConnection), nullptr);
    if (!version)
        return;
    mShmUsable = true;
    const bool takesDescriptors =
        version->major_version > 1 || (version->major_version == 1 && version->minor_version >= 2);
    mByDescriptor = takesDescriptors && localConnection(mConnection);
    std::free(version);
}

WindowBlit::~WindowBlit()
{
    release();
    XFreeGC(mDisplay, mGc);
}

void WindowBlit::release()
{
    waitForServer();
    if (mSegment) {
        dropSegment(mSegment, true);
        mSegment = nullptr;
    }
    if (mImage) {
        XDestroyImage(mImage);   // frees its pixels too
        mImage = nullptr;
    }
}

std::uint32_t* WindowBlit::buffer(int width, int height)
{
    if (width <= 0 || height <= 0)
        return nullptr;
    waitForServer();
    if (mSegment && mSegment->width == width && mSegment->height == height)
        return reinterpret_cast<std::uint32_t*>(mSegment->pixels);
    if (mImage && mImage->width == width && mImage->height == height)
        return reinterpret_cast<std::uint32_t*>(mImage->data);
    release();
    if (mShmUsable)
        mSegment = shareMemory(width, height);
    if (mSegment)
        return reinterpret_cast<std::uint32_t*>(mSegment->pixels);
    mShmUsable = false;   // not with this display: send the pixels from now on
    makeOwnImage(width, height);
    return mImage ? reinterpret_cast<std::uint32_t*>(mImage->data) : nullptr;
}

WindowBlit::Segment* WindowBlit::shareMemory(int width, int height)
{
    Segment* segment = new Segment();
    segment->width = width;
    segment->height = height;
    segment->size = std::size_t(width) * height * 4;   // 32-bit pixels, rows without padding
    segment->id = xcb_generate_id(mConnection);
    const bool attached = mByDescriptor ? attachByDescriptor(*segment) : attachByNumber(*segment);
    if (attached && (mByDescriptor || serverReadsOurs(*segment)))
        return segment;
    dropSegment(segment, attached);
    return nullptr;
}

bool WindowBlit::attachByDescriptor(Segment& segment)
{
    const int fd = memfd_create("kavri-picture", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    void* address = ftruncate(fd, off_t(segment.size)) == 0
                        ? mmap(nullptr, segment.size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                        : MAP_FAILED;
    if (address == MAP_FAILED) {
        close(fd);
        return false;
    }
    segment.pixels = static_cast<char*>(address);
    segment.mapped = true;
    // The descriptor itself names the memory: no lookup on the server's side. xcb closes our
    // copy of it once it is sent.
    return succeeded(mConnection, xcb_shm_attach_fd_checked(mConnection, segment.id, fd, 1));
}

bool WindowBlit::attachByNumber(Segment& segment)
{
    const int shmid = shmget(IPC_PRIVATE, segment.size, IPC_CREAT | 0600);
    if (shmid < 0)
        return false;
    void* address = shmat(shmid, nullptr, 0);
    bool attached = false;
    if (address != reinterpret_cast<void*>(-1)) {
        segment.pixels = static_cast<char*>(address);
        // Fails with an X error on a display elsewhere on the network.
        attached = succeeded(mConnection, xcb_shm_attach_checked(mConnection, segment.id, shmid, 1));
    }
    // Marked for removal at once: it goes when both sides have let go, even after a crash.
    shmctl(shmid, IPC_RMID, nullptr);
    return attached;
}

// The server puts a few pixels from both ends of what it attached into a small pixmap of
// ours, and reads them back to us. Only our own memory holds the random pixels we wrote
// there; another program's segment differs, and a smaller one makes the put fail.
bool WindowBlit::serverReadsOurs(const Segment& segment)
{
    const int kPixels = 16;
    if (segment.size < std::size_t(kPixels) * 4)
        return false;
    std::uint32_t token[2 * kPixels];
    std::random_device random;
    for (std::uint32_t& pixel : token)
        pixel = random() & 0xffffffu;   // the X byte of a 24-bit pixel may not come back
    std::uint32_t* first = reinterpret_cast<std::uint32_t*>(segment.pixels);
    std::uint32_t* last = reinterpret_cast<std::uint32_t*>(segment.pixels + segment.size) - kPixels;
    std::memcpy(first, token, sizeof token / 2);
    std::memcpy(last, token + kPixels, sizeof token / 2);

    const xcb_pixmap_t pixmap = xcb_generate_id(mConnection);
    const xcb_gcontext_t gc = XGContextFromGC(mGc);
    const std::uint32_t lastOffset = std::uint32_t(segment.size - kPixels * 4);
    const xcb_void_cookie_t made = xcb_create_pixmap_checked(mConnection, mDepth, pixmap, mWindow, kPixels, 2);
    const xcb_void_cookie_t firstPut = xcb_shm_put_image_checked(
        mConnection, pixmap, gc, kPixels, 1, 0, 0, kPixels, 1, 0, 0, mDepth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment.id, 0);
    const xcb_void_cookie_t lastPut = xcb_shm_put_image_checked(mConnection, pixmap, gc, kPixels, 1, 0, 0, kPixels, 1,
                                                                0, 1, mDepth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment.id,
                                                                lastOffset);
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        mConnection, xcb_get_image(mConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, kPixels, 2, ~0u), nullptr);
    bool same = succeeded(mConnection, made) && succeeded(mConnection, firstPut) &&
                succeeded(mConnection, lastPut) && image &&
                xcb_get_image_data_length(image) >= int(sizeof token);
    if (same) {
        const std::uint8_t* data = xcb_get_image_data(image);
        for (int i = 0; i < 2 * kPixels; ++i) {
            std::uint32_t pixel;
            std::memcpy(&pixel, data + 4 * i, 4);
            same = same && (pixel & 0xffffffu) == token[i];
        }
    }
    std::free(image);
    ignoreErrors(mConnection, xcb_free_pixmap_checked(mConnection, pixmap));
    return same;
}

void WindowBlit::dropSegment(Segment* segment, bool attached)
{
    if (attached)
        ignoreErrors(mConnection, xcb_shm_detach_checked(mConnection, segment->id));
    if (segment->pixels) {
        if (segment->mapped)
            munmap(segment->pixels, segment->size);
        else
            shmdt(segment->pixels);
    }
    delete segment;
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
    if (mSegment)
        return mSegment->width;
    return mImage ? mImage->bytes_per_line / 4 : 0;
}

void WindowBlit::put(int x, int y)
{
    if (mSegment) {
        const int width = mSegment->width, height = mSegment->height;
        mPutSequence = xcb_shm_put_image_checked(mConnection, mWindow, XGContextFromGC(mGc), width, height, 0, 0,
                                                 width, height, x, y, mDepth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0,
                                                 mSegment->id, 0)
                           .sequence;
        mServerReads = true;
        xcb_flush(mConnection);
    } else if (mImage) {
        XPutImage(mDisplay, mWindow, mGc, mImage, 0, 0, x, y, mImage->width, mImage->height);
        XFlush(mDisplay);
    }
}

void WindowBlit::waitForServer()
{
    if (!mServerReads)
        return;
    mServerReads = false;
    // Once the server answers, it has copied the shared pixels. Should it have refused them,
    // that frame is lost and the next ones go over the connection.
    if (!succeeded(mConnection, xcb_void_cookie_t{mPutSequence})) {
        dropSegment(mSegment, true);
        mSegment = nullptr;
        mShmUsable = false;
    }
}

void WindowBlit::clear()
{
    XClearWindow(mDisplay, mWindow);
    XFlush(mDisplay);
}

} // namespace veko
