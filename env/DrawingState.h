#ifndef VEKO_DRAWING_STATE_H
#define VEKO_DRAWING_STATE_H

#include <vector>

#include <GL/gl.h>
#include <irrlicht.h>

namespace veko {

// What a scene's frame may change in the engine and no scene undoes for the next: the
// transformations, the lights (the scene's ambient light too, which the engine cannot read
// back, so it is read from OpenGL), the fog and the material of 2D drawing. Taken when made,
// put back by restore().
class DrawingState {
public:
    explicit DrawingState(irr::video::IVideoDriver* driver);
    void restore() const;

private:
    irr::video::IVideoDriver* mDriver;
    irr::core::matrix4 mTransforms[irr::video::ETS_COUNT];
    std::vector<irr::video::SLight> mLights;
    GLfloat mAmbient[4] = { 0.2f, 0.2f, 0.2f, 1.0f };   // OpenGL's own at the start
    irr::video::SColor mFogColor;
    irr::video::E_FOG_TYPE mFogType;
    irr::f32 mFogStart, mFogEnd, mFogDensity;
    bool mFogPixel, mFogRange;
    irr::video::SMaterial mMaterial2D;
};

} // namespace veko

#endif
