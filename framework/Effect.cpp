#include "framework/Effect.h"

namespace veko {

// The first frame's delta belongs to whatever ran before, so local time starts at 0.
void Effect::idle(float dt)
{
    if (mFirstIdle) {
        mFirstIdle = false;
        return;
    }
    mLocalTime += dt;
}

} // namespace veko
