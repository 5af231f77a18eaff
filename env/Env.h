#ifndef VEKO_ENV_H
#define VEKO_ENV_H

#include <irrlicht.h>

#include "platform/SoundLibrary.h"

namespace veko {

// The one object through which the show reaches the engine, the show clock and the music.
// Whoever needs it finds it through Env::instance(), so effects take no constructor arguments.
class Env {
public:
    // How a scene styles each mesh buffer: apply() gets the buffer's own material and
    // sets whatever material it wants on the driver.
    class IMaterialCallback {
    public:
        virtual void apply(irr::video::SMaterial& material) = 0;
    };

    // A textured rectangle on the 640x480 screen, turned about its centre.
    struct Sprite {
        irr::video::ITexture* texture;
        irr::core::rect<irr::f32> rect;         // screen pixels before the turn
        irr::core::rect<irr::f32> texCoords;    // U, V at the upper left and lower right corner
        const irr::video::SColor* color;        // colour of all four corners, read during the call
        irr::f32 angle;                         // radians, clockwise on the screen
        irr::s32 flags;                         // bit 0: additive blending
    };

    // drawQuad / drawSprite flags
    static const irr::s32 FLAG_ADDITIVE = 1;
    static const irr::s32 FLAG_NO_FILTER = 2;

    explicit Env(irr::IrrlichtDevice* device);
    ~Env();

    static Env* instance() { return sInstance; }

    irr::IrrlichtDevice* device() const { return mDevice; }
    irr::video::IVideoDriver* driver() const { return mDriver; }
    irr::scene::ISceneManager* sceneManager() const { return mSceneManager; }

    // Where the show draws: its 640x480 picture (a render target), or null for the window's
    // own back buffer.
    irr::video::ITexture* showTarget() const { return mShowTarget; }
    void setShowTarget(irr::video::ITexture* target) { mShowTarget = target; }
    // The driver's setRenderTarget, except that null means the show's target: scenes that
    // draw into render targets of their own come back to the show's picture this way.
    void setRenderTarget(irr::video::ITexture* target, bool clearBackBuffer, bool clearZBuffer,
                         irr::video::SColor color);
    // The window's own back buffer, whatever the show's target is.
    void setWindowTarget();

    void addTime(float dt) { mTime += dt; }
    float time() const { return mTime; }

    void playMusic(const char* fileName);
    // Ends the music and closes the sound device, waiting a bounded time for it to let go.
    // The destructor does the same when it was not called; calling both is safe.
    void stopMusic();
    // The music keeps its place on this clock, `offsetMs` later. It begins (after playMusic)
    // once the sound device really plays: musicBegun() gives the clock's zero then; until then
    // the show holds its first frame, and beginMusicNow() gives up waiting (see sound::System).
    void musicFollows(const ClockShare& clock, int offsetMs);
    bool musicBegun(long long* zeroMs) const;
    long long beginMusicNow();
    // Once a frame: a lost sound device is opened again.
    void keepMusic();

    void drawMesh(irr::scene::IMesh* mesh, IMaterialCallback* callback);
    void drawMesh(irr::scene::IMesh* mesh, const irr::core::matrix4& world, IMaterialCallback* callback);
    void drawQuad(irr::video::ITexture* texture, irr::core::rect<irr::f32> rect,
                  irr::core::rect<irr::f32> texCoords, const irr::video::SColor& color, irr::s32 flags);
    void drawSprite(Sprite sprite);

private:
    void setScreenSpaceCamera();
    void setUpperLeftOrigin(bool upperLeft);

    irr::IrrlichtDevice* mDevice;
    irr::video::IVideoDriver* mDriver;
    irr::scene::ISceneManager* mSceneManager;
    sound::System* mSoundSystem;
    sound::Sound* mMusic;
    sound::Channel* mChannel;
    float mTime;
    irr::video::ITexture* mShowTarget;
    void (*mClipControl)(unsigned int origin, unsigned int depth);
    bool mUpperLeftOrigin;

    static Env* sInstance;
};

} // namespace veko

#endif
