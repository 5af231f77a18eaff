// SPDX-License-Identifier: MIT
#include "platform/SoundLibrarySystem.h"

namespace veko {
namespace sound {

// There is no system library here that prints on its own.
void quietSystemSound()
{
}

// No sound server is watched on Windows.
unsigned long long soundServerIdentity()
{
    return 0;
}

} // namespace sound
} // namespace veko
