// SPDX-License-Identifier: MIT
/* Preloaded into the show by showbench.sh: writes the monotonic time of every presented
 * frame (each return from glXSwapBuffers), in microseconds, one per line, to the file named
 * by $KAVRI_SWAP_TIMES. It measures any build of the show the same way, old or new. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <GL/glx.h>

void glXSwapBuffers(Display* display, GLXDrawable drawable)
{
    static void (*real)(Display*, GLXDrawable);
    static int out = -2;
    if (!real)
        real = (void (*)(Display*, GLXDrawable))dlsym(RTLD_NEXT, "glXSwapBuffers");
    real(display, drawable);
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
