#include "env/WindowPainter.h"

#include "env/CpuScaler.h"
#include "env/PictureLayout.h"
#include "platform/WindowBlit.h"

namespace veko {

WindowPainter::WindowPainter(WindowBlit* blit)
    : mBlit(blit), mScaler(new CpuScaler()), mNext(0), mHanded(false), mScaled(false), mFailed(false), mQuit(false)
{
    for (std::vector<std::uint32_t>& picture : mPictures)
        picture.resize(std::size_t(PictureLayout::kWidth) * PictureLayout::kHeight);
    mThread = std::thread(&WindowPainter::run, this);
}

WindowPainter::~WindowPainter()
{
    {
        std::unique_lock<std::mutex> lock(mMutex);
        waitForScaling(lock);
        putScaled();
        mQuit = true;
    }
    mChanged.notify_all();
    mThread.join();
}

std::uint32_t* WindowPainter::nextPicture()
{
    return mPictures[mNext].data();
}

bool WindowPainter::paint(const irr::core::rect<irr::s32>& dest)
{
    {
        std::unique_lock<std::mutex> lock(mMutex);
        waitForScaling(lock);
        if (mFailed)
            return false;
        putScaled();
        mHandedDest = dest;
        mNext = 1 - mNext;
        mHanded = true;
    }
    mChanged.notify_all();
    return true;
}

void WindowPainter::clear()
{
    std::unique_lock<std::mutex> lock(mMutex);
    waitForScaling(lock);
    putScaled();
    mBlit->clear();
}

// Until the thread is done with the picture handed over: then the blit is the caller's.
void WindowPainter::waitForScaling(std::unique_lock<std::mutex>& lock)
{
    mChanged.wait(lock, [this] { return !mHanded; });
}

// The bars around the picture are the window's black background, restored whenever the
// picture moves.
void WindowPainter::putScaled()
{
    if (!mScaled)
        return;
    if (mHandedDest != mShownAt) {
        mBlit->clear();
        mShownAt = mHandedDest;
    }
    mBlit->put(mHandedDest.UpperLeftCorner.X, mHandedDest.UpperLeftCorner.Y);
    mScaled = false;
}

// The thread: scales each picture handed over into the blit's pixels, until told to quit.
void WindowPainter::run()
{
    std::unique_lock<std::mutex> lock(mMutex);
    for (;;) {
        mChanged.wait(lock, [this] { return mHanded || mQuit; });
        if (!mHanded)
            return;
        std::uint32_t* picture = mPictures[1 - mNext].data();
        const irr::core::rect<irr::s32> dest = mHandedDest;
        lock.unlock();
        const bool scaled = scale(picture, dest);
        lock.lock();
        mScaled = scaled;
        mFailed = mFailed || !scaled;
        mHanded = false;
        mChanged.notify_all();
    }
}

bool WindowPainter::scale(std::uint32_t* picture, const irr::core::rect<irr::s32>& dest)
{
    // Opaque: a window with an alpha channel would let the desktop through where the
    // picture's alpha says so.
    for (std::size_t i = 0; i < std::size_t(PictureLayout::kWidth) * PictureLayout::kHeight; ++i)
        picture[i] |= 0xff000000u;
    // Waits for the server to have read the picture put before.
    std::uint32_t* out = mBlit->buffer(dest.getWidth(), dest.getHeight());
    if (!out)
        return false;
    mScaler->scale(picture, PictureLayout::kWidth, PictureLayout::kHeight, out, dest.getWidth(), dest.getHeight(),
                   mBlit->stride());
    return true;
}

} // namespace veko
