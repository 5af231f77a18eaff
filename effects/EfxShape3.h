#ifndef VEKO_EFXSHAPE3_H
#define VEKO_EFXSHAPE3_H

#include <irrlicht.h>

#include "framework/Effect.h"

namespace veko {

// One camera flies along a lit, orange-glowing model, drawn straight to the screen over
// flat green.
class EfxShape3 : public Effect {
public:
    EfxShape3();

    void init() override;
    void idle(float dt) override;
    void shutdown() override;

    // The camera at local time t: 40 units per second along +Z, the line of sight swinging
    // from side to side, the picture slowly rolling.
    static irr::core::matrix4 camera(float t);

private:
    irr::video::ITexture* mVekoTexture;
    irr::video::ITexture* mDadaTexture;
    irr::video::ITexture* mBloodTexture;
    irr::core::matrix4 mProjection;
    irr::core::matrix4 mView;
    irr::core::matrix4 mWorld;
    irr::scene::IAnimatedMesh* mMesh;
};

} // namespace veko

#endif
