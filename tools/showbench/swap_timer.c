// SPDX-License-Identifier: MIT
/* Preloaded into the show by showbench.sh: writes the monotonic time of every presented
 * frame, in microseconds, one per line, to the file named by $KAVRI_SWAP_TIMES. A frame is
 * presented by glXSwapBuffers or, where the show puts its picture on the window past
 * OpenGL, by XShmPutImage, xcb_shm_put_image_checked or XPutImage; each is timed as it
 * returns. The X calls the OpenGL library makes inside glXSwapBuffers are part of the swap.
 * So any build of the show is measured the same way, old or new. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <xcb/shm.h>

static int inSwap;   /* inside glXSwapBuffers */

static void mark(void)
{
    static int out = -2;
    if (out == -2) {
        const char* name = getenv("KAVRI_SWAP_TIMES");
        out = name ? open(name, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644) : -1;
    }
    if (out >= 0) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        /* Written at once: the show ends its process without flushing anything. */
        dprintf(out, "%lld\n", (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000);
    }
}

void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    static void (*real)(Display*, GLXDrawable);
    if (!real)
        real = (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
    inSwap = 1;
    real(display, drawable);
    inSwap = 0;
    mark();
}

Bool XShmPutImage(Display* display, Drawable d, GC gc, XImage* image, int srcX, int srcY, int dstX, int dstY,
                  unsigned int width, unsigned int height, Bool sendEvent)
{
    static Bool (*real)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned int, unsigned int, Bool);
    if (!real)
        real = (Bool(*)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned int, unsigned int, Bool))dlsym(
            RTLD_NEXT, "XShmPutImage");
    const Bool result = real(display, d, gc, image, srcX, srcY, dstX, dstY, width, height, sendEvent);
    if (!inSwap)
        mark();
    return result;
}

int XPutImage(Display* display, Drawable d, GC gc, XImage* image, int srcX, int srcY, int dstX, int dstY,
              unsigned int width, unsigned int height)
{
    static int (*real)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned int, unsigned int);
    if (!real)
        real = (int (*)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned int, unsigned int))dlsym(
            RTLD_NEXT, "XPutImage");
    const int result = real(display, d, gc, image, srcX, srcY, dstX, dstY, width, height);
    if (!inSwap)
        mark();
    return result;
}

/* Builds that hand their shared memory over by file descriptor put it through xcb. Their
 * small puts into a pixmap, made once to check an attachment, are no frames. */
xcb_void_cookie_t xcb_shm_put_image_checked(xcb_connection_t* c, xcb_drawable_t drawable, xcb_gcontext_t gc,
                                            uint16_t totalWidth, uint16_t totalHeight, uint16_t srcX, uint16_t srcY,
                                            uint16_t srcWidth, uint16_t srcHeight, int16_t dstX, int16_t dstY,
                                            uint8_t depth, uint8_t format, uint8_t sendEvent, xcb_shm_seg_t shmseg,
                                            uint32_t offset)
{
    typedef xcb_void_cookie_t (*Real)(xcb_connection_t*, xcb_drawable_t, xcb_gcontext_t, uint16_t, uint16_t,
                                      uint16_t, uint16_t, uint16_t, uint16_t, int16_t, int16_t, uint8_t, uint8_t,
                                      uint8_t, xcb_shm_seg_t, uint32_t);
    static Real real;
    if (!real)
        real = (Real)dlsym(RTLD_NEXT, "xcb_shm_put_image_checked");
    const xcb_void_cookie_t result = real(c, drawable, gc, totalWidth, totalHeight, srcX, srcY, srcWidth, srcHeight,
                                          dstX, dstY, depth, format, sendEvent, shmseg, offset);
    if (!inSwap && srcHeight > 1)
        mark();
    return result;
}
