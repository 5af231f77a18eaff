#ifndef VEKO_FRAME_SOURCE_H
#define VEKO_FRAME_SOURCE_H

namespace veko {

// Draws a capture's frames one after another, each at its fixed virtual time, between the
// driver's beginScene and endScene.
class FrameSource {
public:
    virtual ~FrameSource() {}

    // Draws the next frame (frame 0 first). False when there is none: nothing was drawn.
    virtual bool frame() = 0;
    // The index of the frame drawn last.
    virtual int frameIndex() const = 0;
};

} // namespace veko

#endif
