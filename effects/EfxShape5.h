#ifndef VEKO_EFXSHAPE5_H
#define VEKO_EFXSHAPE5_H

#include <irrlicht.h>

#include "framework/Effect.h"

namespace veko {

// A cat on the left, a conveyor of bobbing food sliding towards it, and three beating hearts.
class EfxShape5 : public Effect {
public:
    EfxShape5();

    void init() override;
    void idle(float dt) override;
    void shutdown() override;

    // Which cat frame (0, 1) and which food (0..2) show at local time t.
    static irr::s32 catFrame(irr::f32 t);
    static irr::s32 foodIndex(irr::f32 t);
    // Where the cat, food item i (0..7) and heart i (0..2) lie at local time t.
    static irr::core::rect<irr::s32> catRect(irr::f32 t);
    static irr::core::rect<irr::s32> foodRect(irr::f32 t, irr::s32 i);
    static irr::core::rect<irr::s32> heartRect(irr::f32 t, irr::s32 i);

private:
    irr::video::ITexture* mCatTextures[2];
    irr::video::ITexture* mFoodTextures[3];
    irr::video::ITexture* mBackTexture;
    irr::video::ITexture* mHeartTexture;
};

} // namespace veko

#endif
