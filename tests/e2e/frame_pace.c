// SPDX-License-Identifier: MIT
/* Preloaded into the tests that do not measure time: the show (a process named kavri) puts at
   most 30 pictures a second on the window, as a slow machine would. Xvfb has no refresh, so
   the show would draw several hundred a second, which proves nothing more and takes the
   processor from the tests beside it. A picture reaches the window by a buffer swap through
   OpenGL, or past OpenGL by a put of its pixels; each waits here for its turn. Small puts
   (the pointer's images, the show's test of shared memory) and any other process go through
   untouched. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <string.h>
#include <time.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

static const long kFrameNs = 1000000000L / 30;

/* A put of at least this many pixels each way is a picture. */
static const unsigned kPictureSide = 100;

static int isShow(void)
{
    static int known = -1;
    if (known < 0)
        known = strcmp(program_invocation_short_name, "kavri") == 0;
    return known;
}

/* Waits for the next turn. A picture that comes late goes at once, and the turns start again
   from it: nothing is caught up. */
static void waitForTurn(void)
{
    static struct timespec turn;
    if (!isShow())
        return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const int early = now.tv_sec < turn.tv_sec || (now.tv_sec == turn.tv_sec && now.tv_nsec < turn.tv_nsec);
    if (early)
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &turn, NULL) == EINTR) {
        }
    else
        turn = now;
    turn.tv_nsec += kFrameNs;
    if (turn.tv_nsec >= 1000000000L) {
        turn.tv_nsec -= 1000000000L;
        turn.tv_sec += 1;
    }
}

void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    static void (*real)(Display*, GLXDrawable);
    if (!real)
        real = (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
    waitForTurn();
    real(display, drawable);
}

xcb_void_cookie_t xcb_shm_put_image_checked(xcb_connection_t* c, xcb_drawable_t drawable, xcb_gcontext_t gc,
                                            uint16_t total_width, uint16_t total_height, uint16_t src_x,
                                            uint16_t src_y, uint16_t src_width, uint16_t src_height, int16_t dst_x,
                                            int16_t dst_y, uint8_t depth, uint8_t format, uint8_t send_event,
                                            xcb_shm_seg_t shmseg, uint32_t offset)
{
    typedef xcb_void_cookie_t (*Put)(xcb_connection_t*, xcb_drawable_t, xcb_gcontext_t, uint16_t, uint16_t, uint16_t,
                                     uint16_t, uint16_t, uint16_t, int16_t, int16_t, uint8_t, uint8_t, uint8_t,
                                     xcb_shm_seg_t, uint32_t);
    static Put real;
    if (!real)
        real = (Put)dlsym(RTLD_NEXT, "xcb_shm_put_image_checked");
    if (src_width >= kPictureSide && src_height >= kPictureSide)
        waitForTurn();
    return real(c, drawable, gc, total_width, total_height, src_x, src_y, src_width, src_height, dst_x, dst_y, depth,
                format, send_event, shmseg, offset);
}

int XPutImage(Display* display, Drawable drawable, GC gc, XImage* image, int src_x, int src_y, int dest_x, int dest_y,
              unsigned int width, unsigned int height)
{
    typedef int (*Put)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned int, unsigned int);
    static Put real;
    if (!real)
        real = (Put)dlsym(RTLD_NEXT, "XPutImage");
    if (width >= kPictureSide && height >= kPictureSide)
        waitForTurn();
    return real(display, drawable, gc, image, src_x, src_y, dest_x, dest_y, width, height);
}
