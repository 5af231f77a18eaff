#ifndef VEKO_STANDARD_STREAMS_H
#define VEKO_STANDARD_STREAMS_H

namespace veko {

// Opens /dev/null on whichever of descriptors 0, 1 and 2 is closed. Started with stderr
// closed, the first file the program opened (the X connection) would become descriptor 2,
// and a message meant for stderr would be written into it. Call before anything else opens.
void ensureStandardStreams();

} // namespace veko

#endif
