// SPDX-License-Identifier: MIT
#include "platform/GlFunction.h"

#include <cstdint>

#include <windows.h>

namespace veko {

void* glFunction(const char* name)
{
    // wglGetProcAddress knows only what came after OpenGL 1.1; the rest is in opengl32.dll.
    PROC found = wglGetProcAddress(name);
    const auto address = reinterpret_cast<std::intptr_t>(found);
    if (address == 0 || address == 1 || address == 2 || address == 3 || address == -1)
        found = GetProcAddress(GetModuleHandleW(L"opengl32.dll"), name);
    return reinterpret_cast<void*>(found);
}

} // namespace veko
