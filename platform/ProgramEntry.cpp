// SPDX-License-Identifier: MIT
#include "platform/ProgramEntry.h"

#include <X11/Xlib.h>

int main(int argc, char** argv)
{
    // The picture may reach the window from a thread of its own, over the engine's connection
    // to the X server; Xlib allows that only when told so before any connection is opened.
    XInitThreads();
    return showMain(argc, argv);
}
