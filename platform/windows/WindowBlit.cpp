#include "platform/WindowBlit.h"

namespace veko {

// Windows has no X server: the show presents through OpenGL there.

WindowBlit* WindowBlit::create(_XDisplay*, std::uintptr_t)
{
    return nullptr;
}

WindowBlit::~WindowBlit() {}

std::uint32_t* WindowBlit::buffer(int, int)
{
    return nullptr;
}

int WindowBlit::stride() const
{
    return 0;
}

void WindowBlit::put(int, int) {}

void WindowBlit::clear() {}

} // namespace veko
