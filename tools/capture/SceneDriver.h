#ifndef VEKO_SCENE_DRIVER_H
#define VEKO_SCENE_DRIVER_H

#include <irrlicht.h>

#include "framework/Effect.h"
#include "tools/capture/FrameSource.h"

namespace veko {

// Runs one scene on its own from its local time 0, calling its idle directly with the fixed
// step. Some scenes follow the show clock in Env as well as (or instead of) their local time,
// so that clock runs along from showStart: where the show has it when the scene comes on.
class SceneDriver : public FrameSource {
public:
    SceneDriver(irr::IrrlichtDevice* device, Effect* effect, int fps, float showStart);
    ~SceneDriver() override;

    bool frame() override;
    int frameIndex() const override { return mFrame; }

    // The step that brings a clock standing at clock to frame k's time k/fps. Summed up in
    // single precision, these steps keep the clock at k/fps to the float's precision.
    static float stepTo(int k, int fps, float clock);

private:
    irr::ITimer* mTimer;
    Effect* mEffect;
    int mFps;
    double mShowStart;
    int mFrame;
    float mLocalTime;   // the sum of the steps given, as the scene adds them up
};

} // namespace veko

#endif
