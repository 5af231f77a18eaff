#ifndef VEKO_SOUND_LIBRARY_SYSTEM_H
#define VEKO_SOUND_LIBRARY_SYSTEM_H

namespace veko {
namespace sound {

// What SoundLibrary.cpp asks of its system part (SoundLibrarySystem.cpp,
// windows/SoundLibrarySystem.cpp).

// Keeps the system's own sound library from printing its complaints (no card, no mixer)
// straight to stderr: the show says what it has to say itself.
void quietSystemSound();

// What identifies the sound server the open device plays through (its socket), so that a
// server that went away, or was started anew, is told from the one the device was opened on:
// 1 when it is gone or answers no more, 0 when there is nothing to watch.
unsigned long long soundServerIdentity();

} // namespace sound
} // namespace veko

#endif
