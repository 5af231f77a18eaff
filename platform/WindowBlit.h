#ifndef VEKO_WINDOW_BLIT_H
#define VEKO_WINDOW_BLIT_H

#include <cstdint>

struct _XDisplay;
struct _XImage;
struct _XGC;

namespace veko {

// Puts pixels made on the processor straight on a window, past OpenGL: through memory shared
// with the X server (MIT-SHM) where it can, else sent over the connection. For a software
// OpenGL renderer that is much cheaper than drawing a textured rectangle over the window
// and swapping. X11 only; elsewhere create() says it is unavailable.
class WindowBlit {
public:
    // Null when the window cannot take 32-bit pixels laid out as bytes B, G, R, X.
    static WindowBlit* create(_XDisplay* display, std::uintptr_t window);
    ~WindowBlit();

    WindowBlit(const WindowBlit&) = delete;
    WindowBlit& operator=(const WindowBlit&) = delete;

    // The pixels of the next put(), width x height, stride() pixels from one row to the next;
    // the same buffer while the size stays. Null if it cannot be made.
    std::uint32_t* buffer(int width, int height);
    int stride() const;
    // Puts the buffer with its upper left corner at (x, y) of the window (the window clips
    // it). The X server copies shared pixels while the caller goes on; buffer() waits for
    // it to finish before the pixels may be drawn again.
    void put(int x, int y);
    // The whole window in its background colour, black.
    void clear();

private:
    struct Segment;
    WindowBlit(_XDisplay* display, std::uintptr_t window, void* visual, int depth);
    bool makeSharedImage(int width, int height);
    void makeOwnImage(int width, int height);
    void release();
    void waitForServer();

    _XDisplay* mDisplay;
    std::uintptr_t mWindow;
    void* mVisual;
    int mDepth;
    _XGC* mGc;
    _XImage* mImage;
    Segment* mSegment;   // null when the image is sent over the connection
    bool mShmUsable;
    bool mServerReads;   // a put of shared pixels the server may not have finished
};

} // namespace veko

#endif
