// SPDX-License-Identifier: MIT
#include "platform/GlFunction.h"

#include <GL/glx.h>

namespace veko {

void* glFunction(const char* name)
{
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

} // namespace veko
