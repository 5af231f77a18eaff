// SPDX-License-Identifier: MIT
/* Preloaded into the show: notes in the file named by $VIDMODE_SPY_FILE each time the show
   looks for the XF86VidMode extension or switches the video mode through it, then does it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/xf86vmode.h>

static void note(const char* what)
{
    const char* file = getenv("VIDMODE_SPY_FILE");
    FILE* out = file ? fopen(file, "a") : NULL;
    if (out) {
        fprintf(out, "%s\n", what);
        fclose(out);
    }
}

Bool XF86VidModeQueryExtension(Display* display, int* eventBase, int* errorBase)
{
    note("XF86VidModeQueryExtension");
    Bool (*real)(Display*, int*, int*) = (Bool (*)(Display*, int*, int*))dlsym(RTLD_NEXT, "XF86VidModeQueryExtension");
    return real ? real(display, eventBase, errorBase) : False;
}

Bool XF86VidModeSwitchToMode(Display* display, int screen, XF86VidModeModeInfo* mode)
{
    note("XF86VidModeSwitchToMode");
    Bool (*real)(Display*, int, XF86VidModeModeInfo*) =
        (Bool (*)(Display*, int, XF86VidModeModeInfo*))dlsym(RTLD_NEXT, "XF86VidModeSwitchToMode");
    return real ? real(display, screen, mode) : False;
}
