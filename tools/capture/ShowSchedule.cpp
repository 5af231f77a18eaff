#include "tools/capture/ShowSchedule.h"

#include <cmath>

#include "framework/Sequencer.h"

namespace veko {

ShowSchedule::ShowSchedule(int fps) : mFps(fps), mFrame(-1), mReading(kTimerStart), mTime(0.0f)
{
}

bool ShowSchedule::advance()
{
    // Frame 0 only sets the Sequencer's first reading; its clock stays at 0.
    if (mFrame < 0) {
        mFrame = 0;
        return true;
    }
    const int next = mFrame + 1;
    const double target = static_cast<double>(next) / mFps;
    // Steer each step by what the clock really holds, so rounding never accumulates.
    long long step = std::llround((target - static_cast<double>(mTime)) * 1000.0);
    if (step < 0)
        step = 0;
    const unsigned int reading = mReading + static_cast<unsigned int>(step);
    // The same arithmetic as Sequencer::frame: unsigned difference, double, then float.
    const float dt = static_cast<float>(static_cast<double>(reading - mReading) / 1000.0);
    const float time = mTime + dt;
    if (Sequencer::effectIdAt(time) == 0)
        return false;
    mFrame = next;
    mReading = reading;
    mTime = time;
    return true;
}

int ShowSchedule::frameCount(int fps)
{
    ShowSchedule schedule(fps);
    while (schedule.advance()) {
    }
    return schedule.frame() + 1;
}

} // namespace veko
