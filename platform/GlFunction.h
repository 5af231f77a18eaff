// SPDX-License-Identifier: MIT
#ifndef VEKO_GL_FUNCTION_H
#define VEKO_GL_FUNCTION_H

namespace veko {

// An OpenGL function of the current context's library (GLX on Linux, WGL on Windows), or
// null when it has none by that name.
void* glFunction(const char* name);

} // namespace veko

#endif
