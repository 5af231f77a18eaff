// SPDX-License-Identifier: MIT
/* Preloaded into the show by showbench.sh: writes the monotonic time of every presented
 * frame, in microseconds, one per line, to the file named by $KAVRI_SWAP_TIMES. A frame is
 * presented by glXSwapBuffers or, where the show puts its picture on the window past
 * OpenGL, by XShmPutImage or XPutImage; each is timed as it returns. The X calls the OpenGL
 * library makes inside glXSwapBuffers are part of the swap. So any build of the show is
 * measured the same way, old or new. */
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
