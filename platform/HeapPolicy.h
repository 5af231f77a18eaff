#ifndef VEKO_HEAP_POLICY_H
#define VEKO_HEAP_POLICY_H

namespace veko {

// Keeps memory the program frees for its next allocations instead of handing it back to the
// system at once. The OpenGL driver allocates and frees drawing state for every draw; with
// the C library's default (memory handed back as soon as 128 kB lie free at the top of the
// heap) each of the many small draws of a frame took its memory fresh from the system again,
// a page fault at a time: a thousand a frame in the first scene's star burst. Call once at
// start-up, before the window is made.
void keepFreedMemory();

} // namespace veko

#endif
