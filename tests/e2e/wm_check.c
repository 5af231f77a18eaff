// SPDX-License-Identifier: MIT
/* Leaves the root's _NET_SUPPORTING_WM_CHECK naming a window of its own, as a window manager
   does, without managing anything: "stale" names a window that does not name itself (left
   over from an ended window manager); "self" one that does (a window manager that runs but
   never gives the focus). Prints the window id, then waits until it is killed.
   Usage: wm_check stale|self */
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

int main(int argc, char** argv)
{
    if (argc != 2 || (strcmp(argv[1], "stale") != 0 && strcmp(argv[1], "self") != 0)) {
        fprintf(stderr, "usage: wm_check stale|self\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "wm_check: no X display\n");
        return 1;
    }
    Window root = DefaultRootWindow(display);
    Window check = XCreateSimpleWindow(display, root, -10, -10, 1, 1, 0, 0, 0);
    Atom property = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    if (strcmp(argv[1], "self") == 0) {
        XChangeProperty(display, check, property, XA_WINDOW, 32, PropModeReplace, (unsigned char*)&check, 1);
        Atom name = XInternAtom(display, "_NET_WM_NAME", False);
        XChangeProperty(display, check, name, XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                        (const unsigned char*)"wm_check", 8);
    }
    XChangeProperty(display, root, property, XA_WINDOW, 32, PropModeReplace, (unsigned char*)&check, 1);
    XSync(display, False);
    printf("0x%lx\n", (unsigned long)check);
    fflush(stdout);
    for (;;)
        pause();
}
