#ifndef VEKO_STANDARD_STREAMS_H
#define VEKO_STANDARD_STREAMS_H

namespace veko {

// Linux: opens /dev/null on whichever of descriptors 0, 1 and 2 is closed. Started with
// stderr closed, the first file the program opened (the X connection) would become
// descriptor 2, and a message meant for stderr would be written into it.
// Windows: the show is a GUI program with no console of its own; started from a console, it
// writes to that one. Call before anything else opens.
void ensureStandardStreams();

// Text the user asked for (--help, --version): on standard output, or, for a Windows program
// started without a console (from the Explorer), in a message box.
void sayToUser(const char* text);

} // namespace veko

#endif
