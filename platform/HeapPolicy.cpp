#include "platform/HeapPolicy.h"

#ifndef _WIN32
#include <malloc.h>
#endif

namespace veko {

namespace {

// Far above what a frame frees, far below the show's own size (about 120 MB): the heap is
// trimmed only when this much lies free at its top.
const int kTrimThresholdBytes = 64 * 1024 * 1024;

} // namespace

void keepFreedMemory()
{
#ifdef _WIN32
    (void)kTrimThresholdBytes;   // Windows' heap keeps freed memory by itself
#else
    mallopt(M_TRIM_THRESHOLD, kTrimThresholdBytes);
#endif
}

} // namespace veko
