#ifndef VEKO_EFXSHAPE1_H
#define VEKO_EFXSHAPE1_H

#include <irrlicht.h>

#include "framework/Effect.h"

namespace veko {

// Three copies of one shape side by side on pale yellow, turning with the show clock,
// seen by a fixed camera from the front right.
class EfxShape1 : public Effect {
public:
    EfxShape1();

    void init() override;
    // Follows the show clock; keeps no local time.
    void idle(float dt) override;
    void shutdown() override;

    // World transform of copy 0, 1 or 2 at show time t: turned t radians about the
    // vertical axis, tilted 1 radian about Z, placed at X = -4, 0, +4.
    static irr::core::matrix4 copyTransform(int copy, float t);

private:
    irr::core::matrix4 mProjection;
    irr::core::matrix4 mView;
    irr::core::matrix4 mWorld;
    irr::scene::IAnimatedMesh* mMesh;
};

} // namespace veko

#endif
