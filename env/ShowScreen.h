#ifndef VEKO_SHOW_SCREEN_H
#define VEKO_SHOW_SCREEN_H

#include <irrlicht.h>

namespace veko {

class Env;
class SharpScaler;

// The show's 640x480 picture and its way to the window. Every scene draws into the picture
// (a render target that Env hands out as the show's target); after each frame the picture is
// shown centred at 4:3 on the window, scaled with sharp pixels (PictureLayout), black around.
class ShowScreen {
public:
    // Makes the picture and tells env that the show draws there.
    ShowScreen(Env* env, bool wholeFactorsOnly);
    ~ShowScreen();

    ShowScreen(const ShowScreen&) = delete;
    ShowScreen& operator=(const ShowScreen&) = delete;

    irr::video::ITexture* picture() const { return mPicture; }

    // Starts a frame: the window's back buffer black, the picture cleared to black and made
    // the target that the scenes draw into.
    void beginFrame();
    // Shows the picture on the window's back buffer; the caller then ends the scene.
    void present();
    // One black frame on the window, at once (before the first scene is ready).
    void showBlack();

private:
    irr::video::ITexture* prescaled(irr::u32 factor);
    void drawPicture(irr::video::ITexture* texture, const irr::core::rect<irr::s32>& dest, bool smooth, bool bottomUp);

    Env* mEnv;
    irr::video::IVideoDriver* mDriver;
    bool mWholeFactorsOnly;
    irr::video::ITexture* mPicture;
    irr::video::ITexture* mPrescaled;
    irr::u32 mPrescaleFactor;
    SharpScaler* mSharpScaler;
};

} // namespace veko

#endif
