#ifndef VEKO_EFXTOWN_H
#define VEKO_EFXTOWN_H

#include <irrlicht.h>

#include "framework/Effect.h"

namespace veko {

// A town lit by two lights, swinging along the view with the show clock, under a soft glow:
// the same view rendered at 128x128, blurred twice and added over the screen.
class EfxTown : public Effect {
public:
    // One of the five layers of a blur pass, in the 640x480 units that fill the target.
    struct BlurQuad {
        irr::core::rect<irr::f32> rect;
        irr::video::SColor color;
        irr::s32 flags;
    };
    static const int kBlurQuadCount = 5;
    static const BlurQuad kBlurQuads[kBlurQuadCount];

    EfxTown();

    void init() override;
    // Follows the show clock; keeps no local time.
    void idle(float dt) override;
    void shutdown() override;

    // The town's offset along world Y at show time t: between -35 and 5, -15 at t = 0.
    static irr::f32 townOffset(float t);

private:
    void drawTown();
    void blurPass(irr::video::ITexture* source, irr::video::ITexture* target);

    irr::core::matrix4 mProjection;
    irr::core::matrix4 mView;
    irr::core::matrix4 mWorld;
    irr::scene::IAnimatedMesh* mTownMesh;
    irr::video::ITexture* mRenderTargetA;
    irr::video::ITexture* mRenderTargetB;
};

} // namespace veko

#endif
