#include "platform/HeapPolicy.h"

#include <malloc.h>

namespace veko {

namespace {

// Far above what a frame frees, far below the show's own size (about 120 MB): the heap is
// trimmed only when this much lies free at its top.
const int kTrimThresholdBytes = 64 * 1024 * 1024;

} // namespace

void keepFreedMemory()
{
    mallopt(M_TRIM_THRESHOLD, kTrimThresholdBytes);
}

} // namespace veko
