#ifndef VEKO_WINDOW_PAINTER_H
#define VEKO_WINDOW_PAINTER_H

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <irrlicht.h>

namespace veko {

class CpuScaler;
class WindowBlit;

// Puts the show's picture, read back from OpenGL, on the window, with the scaling done on a
// thread of its own: while the show draws frame N+1, the thread scales frame N into the
// window's pixels (CpuScaler); when frame N+1 is handed over, frame N is put on the window
// (WindowBlit) and the thread goes on to N+1. So the window gets a picture at the show's own
// steady pace, one frame after it was drawn, and the scaling is off the show's path. Two
// pictures take turns: the caller reads a frame into one while the other is scaled.
//
// The thread talks to the X server over the engine's own connection, which Xlib allows once
// it was made thread-safe before the connection was opened (XInitThreads).
class WindowPainter {
public:
    // Takes the blit over.
    explicit WindowPainter(WindowBlit* blit);
    // Puts the last picture handed over on the window, then ends the thread.
    ~WindowPainter();

    WindowPainter(const WindowPainter&) = delete;
    WindowPainter& operator=(const WindowPainter&) = delete;

    // Where the next picture goes: 640x480 pixels (bytes B, G, R, A), top row first. The
    // painter does not touch it until paint().
    std::uint32_t* nextPicture();
    // Puts the picture handed over before on the window, once it is scaled, and hands this
    // one over, to be shown opaque and scaled into dest; returns without waiting for its
    // scaling. False once the window took a picture no more (its pixels could not be made):
    // then nothing was put or handed over.
    bool paint(const irr::core::rect<irr::s32>& dest);
    // Puts the picture handed over last, then the whole window black.
    void clear();

private:
    void run();
    void waitForScaling(std::unique_lock<std::mutex>& lock);
    void putScaled();
    bool scale(std::uint32_t* picture, const irr::core::rect<irr::s32>& dest);

    std::unique_ptr<WindowBlit> mBlit;
    std::unique_ptr<CpuScaler> mScaler;
    std::vector<std::uint32_t> mPictures[2];
    int mNext;                             // the picture the caller fills next
    irr::core::rect<irr::s32> mShownAt;    // where the window got a picture last

    std::mutex mMutex;
    std::condition_variable mChanged;
    bool mHanded;                          // a picture handed over, not yet scaled
    bool mScaled;                          // the blit holds it, scaled, to be put
    irr::core::rect<irr::s32> mHandedDest; // where the picture handed over last goes
    bool mFailed;
    bool mQuit;
    std::thread mThread;   // last: it starts once all of the above is ready
};

} // namespace veko

#endif
