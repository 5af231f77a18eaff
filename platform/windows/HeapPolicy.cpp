#include "platform/HeapPolicy.h"

namespace veko {

void keepFreedMemory()
{
    // Windows' heap keeps freed memory for the next allocations by itself.
}

} // namespace veko
