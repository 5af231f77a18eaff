#include "tools/capture/SceneDriver.h"

#include <cmath>

#include "env/Env.h"
#include "tools/capture/ShowSchedule.h"

namespace veko {

SceneDriver::SceneDriver(irr::IrrlichtDevice* device, Effect* effect, int fps, float showStart)
    : mTimer(device->getTimer()), mEffect(effect), mFps(fps), mShowStart(showStart), mFrame(-1), mLocalTime(0.0f)
{
    mTimer->stop();
    Env* env = Env::instance();
    env->addTime(-env->time());
    env->addTime(showStart);
}

SceneDriver::~SceneDriver()
{
    mTimer->start();
}

float SceneDriver::stepTo(int k, int fps, float clock)
{
    return static_cast<float>(static_cast<double>(k) / fps - static_cast<double>(clock));
}

bool SceneDriver::frame()
{
    const int k = ++mFrame;
    Env* env = Env::instance();
    // Like the show's first frame, frame 0 passes no step. Each clock is steered to its own
    // target, so neither gathers the other's rounding.
    float dt = 0.0f;
    if (k > 0) {
        dt = stepTo(k, mFps, mLocalTime);
        mLocalTime += dt;
        env->addTime(static_cast<float>(mShowStart + static_cast<double>(k) / mFps - env->time()));
    }
    mTimer->setTime(ShowSchedule::kTimerStart + static_cast<unsigned int>(std::llround(k * 1000.0 / mFps)));
    mEffect->idle(dt);
    return true;
}

} // namespace veko
