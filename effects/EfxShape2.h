#ifndef VEKO_EFXSHAPE2_H
#define VEKO_EFXSHAPE2_H

#include <irrlicht.h>

#include "env/Env.h"
#include "framework/Effect.h"

namespace veko {

// Two cameras fly along a lit model; both views go into one 32x32 texture, which is then
// stretched over a blinking backdrop so that the model shows in big blocks.
class EfxShape2 : public Effect {
public:
    // A left-handed look-at camera.
    struct Camera {
        irr::core::vector3df position;
        irr::core::vector3df target;
        irr::core::vector3df up;
    };

    EfxShape2();

    void init() override;
    void idle(float dt) override;
    void shutdown() override {}

    // The cameras at local time t: A and B fill the low-resolution picture, C is the view
    // the frame leaves set.
    static Camera cameraA(irr::f32 t);
    static Camera cameraB(irr::f32 t);
    static Camera cameraC(irr::f32 t);
    // Black for the first half of every second, white (untinted) for the second half.
    static irr::video::SColor backdropTint(irr::f32 t);

private:
    void setView(const Camera& camera);
    void drawPass(const Camera& camera, irr::scene::IMesh* mesh, Env::IMaterialCallback* material);

    irr::video::ITexture* mVekoTexture;
    irr::video::ITexture* mDadaTexture;
    irr::video::ITexture* mBackTexture;
    irr::video::ITexture* mRenderTarget;
    irr::core::matrix4 mProjection;
    irr::core::matrix4 mView;
    irr::core::matrix4 mWorld;
    irr::scene::IAnimatedMesh* mMesh;
};

} // namespace veko

#endif
