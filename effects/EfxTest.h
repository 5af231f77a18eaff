#ifndef VEKO_EFXTEST_H
#define VEKO_EFXTEST_H

#include <vector>

#include <irrlicht.h>

#include "env/Env.h"
#include "framework/Effect.h"

namespace veko {

class Random;

// The opening: growing stripes, a scrolling grid of pulsing images, flashes on the beat,
// and after three bars a logo with a burst of spinning stars that fall back under gravity.
class EfxTest : public Effect {
public:
    struct Star {
        irr::core::vector3df position;   // X, Y: centre in screen pixels
        irr::core::vector3df velocity;   // X, Y: pixels per second; Z: spin in radians per second
        irr::f32 halfSize;
        irr::f32 angle;
        irr::video::SColor color;
    };

    EfxTest();

    void init() override;
    void idle(float dt) override;
    void shutdown() override;

    // One star from eight draws of the generator.
    static Star makeStar(Random& random);
    // Full height of every stripe at local time t and flash level flash.
    static irr::s32 stripeHeight(irr::f32 t, irr::f32 flash);
    // Where the grid image of a row and column lies.
    static irr::core::rect<irr::s32> gridRect(irr::f32 t, irr::s32 row, irr::s32 column, irr::s32 scroll,
                                              irr::f32 flash, irr::s32 lastCue);

    irr::f32 flash() const { return mFlash; }
    irr::s32 lastCue() const { return mLastCue; }
    const std::vector<Star>& stars() const { return mStars; }

private:
    void fireCues(irr::f32 t, irr::f32 dt);
    void drawStripes(irr::f32 t);
    void drawGrid(irr::f32 t, irr::s32 scroll);
    void spawnStars();
    void drawStars(irr::f32 step);

    irr::video::ITexture* mGridTexture;
    irr::video::ITexture* mLogoTexture;
    irr::video::ITexture* mStarTexture;
    irr::f32 mFlash;
    irr::s32 mLastCue;
    std::vector<Star> mStars;
    std::vector<Env::Sprite> mSprites;   // the stars as drawn this frame; kept to spare allocations
};

} // namespace veko

#endif
