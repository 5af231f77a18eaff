#ifndef VEKO_SHOW_SCREEN_H
#define VEKO_SHOW_SCREEN_H

#include <irrlicht.h>

namespace veko {

class Env;
struct PictureLayout;
class SharpScaler;
class WindowPainter;

// The show's 640x480 picture and its way to the window. Every scene draws into the picture
// (a render target that Env hands out as the show's target); after each frame the picture is
// shown centred at 4:3 on the window, scaled with sharp pixels (PictureLayout), black around.
//
// Two ways lead to the window. With a graphics card OpenGL scales the picture onto the
// window's back buffer and the engine swaps. A software OpenGL renderer pays for every
// screen pixel it draws, so there the picture is read back, and scaled on the processor and
// put on the window past OpenGL while the next frame is drawn (WindowPainter). The variable
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
    // Shows the picture on the window. True when it goes there past OpenGL; otherwise it is
    // on the window's back buffer and the caller ends the scene (which swaps).
    bool present();
    // The show time (Env::time()) of the picture that the last present() brought to the
    // window, or a negative number when it brought none. Past OpenGL a picture is put on the
    // window by the next frame's present(), once it is scaled.
    float shownTime() const { return mShownTime; }
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
    WindowPainter* mPainter;   // null when presenting through OpenGL
    float mHandedTime;         // the show time of the picture the painter has, if any
    float mShownTime;
};

} // namespace veko

#endif
