#include "env/DrawingState.h"

using namespace irr;

namespace veko {

DrawingState::DrawingState(video::IVideoDriver* driver) : mDriver(driver)
{
    for (int i = 0; i < video::ETS_COUNT; ++i)
        mTransforms[i] = driver->getTransform(static_cast<video::E_TRANSFORMATION_STATE>(i));
    for (u32 i = 0; i < driver->getDynamicLightCount(); ++i)
        mLights.push_back(driver->getDynamicLight(i));
    if (driver->getDriverType() == video::EDT_OPENGL)
        glGetFloatv(GL_LIGHT_MODEL_AMBIENT, mAmbient);
    driver->getFog(mFogColor, mFogType, mFogStart, mFogEnd, mFogDensity, mFogPixel, mFogRange);
    mMaterial2D = driver->getMaterial2D();
}

void DrawingState::restore() const
{
    // Lights first: the OpenGL driver sets the world transformation to identity as it adds one.
    mDriver->deleteAllDynamicLights();
    for (const video::SLight& light : mLights)
        mDriver->addDynamicLight(light);
    for (int i = 0; i < video::ETS_COUNT; ++i)
        mDriver->setTransform(static_cast<video::E_TRANSFORMATION_STATE>(i), mTransforms[i]);
    if (mDriver->getDriverType() == video::EDT_OPENGL)
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, mAmbient);
    mDriver->setFog(mFogColor, mFogType, mFogStart, mFogEnd, mFogDensity, mFogPixel, mFogRange);
    mDriver->getMaterial2D() = mMaterial2D;
}

} // namespace veko
