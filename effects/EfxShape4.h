#ifndef VEKO_EFXSHAPE4_H
#define VEKO_EFXSHAPE4_H

#include <irrlicht.h>

#include "framework/Effect.h"

namespace veko {

// A heart of 16x16 flat squares on black: white outline, red inside. Every square breathes
// and swings in depth on waves that run diagonally across the grid; the camera circles.
class EfxShape4 : public Effect {
public:
    static constexpr int kGridSize = 16;

    EfxShape4() {}

    void init() override;
    void idle(float dt) override;
    void shutdown() override {}

    // Whether the cell at row, column holds a square, and its colour if so.
    static bool cell(int row, int column, irr::video::SColor& colour);
    // The placement of the square at row, column at local time t.
    static irr::core::matrix4 squareWorld(int row, int column, irr::f32 t);

private:
    void drawSquare(irr::video::SColor colour);

    irr::core::matrix4 mProjection;
    irr::core::matrix4 mView;
    irr::core::matrix4 mWorld;
};

} // namespace veko

#endif
