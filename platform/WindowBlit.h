#ifndef VEKO_WINDOW_BLIT_H
#define VEKO_WINDOW_BLIT_H

#include <cstdint>

struct _XDisplay;
struct _XImage;
struct _XGC;
struct xcb_connection_t;

namespace veko {

// Puts pixels made on the processor straight on a window, past OpenGL: through memory shared
// with the X server (MIT-SHM) where it can, else sent over the connection. For a software
// OpenGL renderer that is much cheaper than drawing a textured rectangle over the window
// and swapping. X11 only; elsewhere create() says it is unavailable.
//
// The shared memory is handed to the server as a file descriptor where the server takes one
// (MIT-SHM 1.2, on a local connection). Otherwise the server is told a System V segment's
// number, which it looks up in its own IPC namespace: from a container or sandbox with a
// namespace of its own that number may name another program's memory there. So such an
// attachment is used only once the server has shown that it reads our memory, and a shared
// put the server refuses sends the pixels over the connection from then on.
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
    // The whole window in its background colour, black, at once.
    void clear();

private:
    struct Segment;
    WindowBlit(_XDisplay* display, std::uintptr_t window, void* visual, int depth);
    Segment* shareMemory(int width, int height);
    bool attachByDescriptor(Segment& segment);
    bool attachByNumber(Segment& segment);
    bool serverReadsOurs(const Segment& segment);
    void dropSegment(Segment* segment, bool attached);
    void makeOwnImage(int width, int height);
    void release();
    void waitForServer();

    _XDisplay* mDisplay;
    xcb_connection_t* mConnection;   // the same connection, for the MIT-SHM requests
    std::uintptr_t mWindow;
    void* mVisual;
    int mDepth;
    _XGC* mGc;
    _XImage* mImage;     // the pixels sent over the connection; null while they are shared
    Segment* mSegment;   // the shared pixels; null when they are sent over the connection
    bool mShmUsable;
    bool mByDescriptor;   // the server takes the shared memory as a file descriptor
    bool mServerReads;    // a put of shared pixels the server may not have finished
    unsigned int mPutSequence;   // that put's request
};

} // namespace veko

#endif
