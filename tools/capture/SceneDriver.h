#ifndef VEKO_SCENE_DRIVER_H
#define VEKO_SCENE_DRIVER_H

#include <irrlicht.h>

#include "framework/Effect.h"
#include "tools/capture/FrameSource.h"

namespace veko {

// Runs one scene on its own from its local time 0, calling its idle directly with the fixed
// step. The show clock in Env starts at 0 with it and advances by the same steps, since some
// scenes follow the show clock instead of their local time.
class SceneDriver : public FrameSource {
public:
    SceneDriver(irr::IrrlichtDevice* device, Effect* effect, int fps);
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
    int mFrame;
};

} // namespace veko

#endif
