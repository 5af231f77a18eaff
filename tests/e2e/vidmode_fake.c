// SPDX-License-Identifier: MIT
/* Preloaded into the show: an X server with the XF86VidMode extension and one 1024x768 mode
   (Xvfb has no such extension). A switch changes nothing on the server, but like the real one
   it needs the server to answer; then it writes a line to the file named by $VIDMODE_FAKE_FILE. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <X11/Xlib.h>
#include <X11/extensions/xf86vmode.h>

Bool XF86VidModeQueryExtension(Display* display, int* eventBase, int* errorBase)
{
    (void)display;
    *eventBase = *errorBase = 0;
    return True;
}

Bool XF86VidModeQueryVersion(Display* display, int* major, int* minor)
{
    (void)display;
    *major = 2;
    *minor = 2;
    return True;
}

static void fill(XF86VidModeModeInfo* mode)
{
    memset(mode, 0, sizeof *mode);
    mode->dotclock = 65000;
    mode->hdisplay = 1024;
    mode->vdisplay = 768;
    mode->htotal = 1344;
    mode->vtotal = 806;
}

/* One block, as the library hands it out: XFree of the list frees the modes too. */
Bool XF86VidModeGetAllModeLines(Display* display, int screen, int* count, XF86VidModeModeInfo*** modes)
{
    (void)display;
    (void)screen;
    XF86VidModeModeInfo** list = malloc(sizeof *list + sizeof **list);
    list[0] = (XF86VidModeModeInfo*)(list + 1);
    fill(list[0]);
    *count = 1;
    *modes = list;
    return True;
}

Bool XF86VidModeGetModeLine(Display* display, int screen, int* dotclock, XF86VidModeModeLine* line)
{
    (void)display;
    (void)screen;
    XF86VidModeModeInfo mode;
    fill(&mode);
    memset(line, 0, sizeof *line);
    *dotclock = (int)mode.dotclock;
    line->hdisplay = mode.hdisplay;
    line->vdisplay = mode.vdisplay;
    line->htotal = mode.htotal;
    line->vtotal = mode.vtotal;
    return True;
}

Bool XF86VidModeSwitchToMode(Display* display, int screen, XF86VidModeModeInfo* mode)
{
    (void)screen;
    XSync(display, False);
    const char* name = getenv("VIDMODE_FAKE_FILE");
    FILE* out = name ? fopen(name, "a") : NULL;
    if (out) {
        fprintf(out, "switched to %dx%d\n", mode->hdisplay, mode->vdisplay);
        fclose(out);
    }
    return True;
}

Bool XF86VidModeSetViewPort(Display* display, int screen, int x, int y)
{
    (void)display;
    (void)screen;
    (void)x;
    (void)y;
    return True;
}
