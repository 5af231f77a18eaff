#ifndef VEKO_EFXZIGZAG_H
#define VEKO_EFXZIGZAG_H

#include <irrlicht.h>

#include "framework/Effect.h"

namespace veko {

// Three rosettes of five spiral ribbons over a yellow and grey backdrop, and a square
// rabbit sprite in the middle that pulses and flips between two frames.
class EfxZigZag : public Effect {
public:
    static constexpr int kArmSteps = 51;
    static constexpr int kArmVertexCount = 2 * kArmSteps;            // 102
    static constexpr int kArmIndexCount = 6 * (kArmSteps - 1);       // 300
    static constexpr int kArmTriangleCount = kArmIndexCount / 3;     // 100

    EfxZigZag();

    void init() override;
    void idle(float dt) override;
    void shutdown() override {}

    // One ribbon: arm 0..4 of the rosette at centre with the given phase. Vertex 2j is the
    // outer edge of step j, vertex 2j + 1 the inner edge.
    static void buildArm(irr::f32 phase, const irr::core::vector2df& centre, int arm,
                         irr::video::S3DVertex (&vertices)[kArmVertexCount]);
    // Two triangles per step of a ribbon, the same for every arm.
    static void buildArmIndices(irr::u16 (&indices)[kArmIndexCount]);
    // Where the sprite lies on the screen at local time localTime.
    static irr::core::rect<irr::s32> spriteRect(irr::f32 localTime);

private:
    void drawSpirals(irr::f32 phase, const irr::core::vector2df& centre, const irr::video::SMaterial& material);

    irr::core::matrix4 mProjection;
    irr::core::matrix4 mView;
    irr::core::matrix4 mWorld;
    irr::video::SMaterial mMaterial;
    irr::video::ITexture* mStripesTexture;
    irr::video::ITexture* mRabbitTexture1;
    irr::video::ITexture* mRabbitTexture2;
};

} // namespace veko

#endif
