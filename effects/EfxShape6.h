#ifndef VEKO_EFXSHAPE6_H
#define VEKO_EFXSHAPE6_H

#include <irrlicht.h>

#include "framework/Effect.h"

namespace veko {

// A wall of stretched tiles that blink once a second under a logo that grows in a
// saw-tooth of 0.31 s.
class EfxShape6 : public Effect {
public:
    EfxShape6();

    void init() override;
    void idle(float dt) override;
    void shutdown() override;

    // Black for the first half of every second, white (untinted) for the second.
    static irr::video::SColor tileTint(irr::f32 t);
    // The logo's outline: centred, 4:3, growing from 40x30 pixels.
    static irr::core::rect<irr::s32> logoRect(irr::f32 t);

private:
    irr::video::ITexture* mLogoTexture;
    irr::video::ITexture* mTileTexture;
};

} // namespace veko

#endif
