#ifndef VEKO_SHOW_SCREEN_H
#define VEKO_SHOW_SCREEN_H

#include <cstdint>
#include <vector>

#include <irrlicht.h>

namespace veko {

class CpuScaler;
class Env;
struct PictureLayout;
class SharpScaler;
class WindowBlit;

// The show's 640x480 picture and its way to the window. Every scene draws into the picture
// (a render target that Env hands out as the show's target); after each frame the picture is
// shown centred at 4:3 on the window, scaled with sharp pixels (PictureLayout), black around.
//
// Two ways lead to the window. With a graphics card OpenGL scales the picture onto the
// window's back buffer and the engine swaps. A software OpenGL renderer pays for every
// screen pixel it draws, so there the picture is read back, scaled on the processor
// (CpuScaler) and put on the window past OpenGL (WindowBlit). The environment variable
// KAVRI_PRESENT=gl or =cpu overrides that choice.
class ShowScreen {
public:
    enum Presentation { AUTOMATIC, THROUGH_GL, THROUGH_CPU };

    // Makes the picture and tells env that the show draws there. Presentation decides the
    // way to the window; AUTOMATIC chooses as described above.
    ShowScreen(Env* env, bool wholeFactorsOnly, Presentation presentation = AUTOMATIC);
    ~ShowScreen();

    ShowScreen(const ShowScreen&) = delete;
    ShowScreen& operator=(const ShowScreen&) = delete;

    irr::video::ITexture* picture() const { return mPicture; }

    // Starts a frame: the window's back buffer black, the picture cleared to black and made
    // the target that the scenes draw into.
    void beginFrame();
    // Shows the picture on the window. True when it is on the window already; otherwise it
    // is on the window's back buffer and the caller ends the scene (which swaps).
    bool present();
    // One black frame on the window, at once (before the first scene is ready).
    void showBlack();

private:
    static Presentation choose(Presentation asked);
    bool putPicture(const irr::core::rect<irr::s32>& dest);
    void drawWithGl(const irr::core::dimension2du& window, const PictureLayout& layout);
    irr::video::ITexture* prescaled(irr::u32 factor);
    void drawPicture(irr::video::ITexture* texture, const irr::core::rect<irr::s32>& dest, bool smooth);

    Env* mEnv;
    irr::video::IVideoDriver* mDriver;
    bool mWholeFactorsOnly;
    irr::video::ITexture* mPicture;
    irr::video::ITexture* mPrescaled;
    irr::u32 mPrescaleFactor;
    SharpScaler* mSharpScaler;
    WindowBlit* mBlit;   // null when presenting through OpenGL
    CpuScaler* mCpuScaler;
    std::vector<std::uint32_t> mPixels;   // the picture read back
    irr::core::rect<irr::s32> mBlitDest;
};

} // namespace veko

#endif
