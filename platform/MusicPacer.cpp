#include "platform/MusicPacer.h"

#include <cmath>

namespace veko {
namespace sound {

namespace {

// Scheduling jitter of the audio thread beyond its buffer's time that is not yet a shortfall.
const int kMarginMs = 30;

// Buffers after the start before the lag's steady value is taken as the target: the server
// takes its first buffers in a burst, so the lag needs a moment to settle.
const int kSettleBuffers = 48;

// The smoothing of the lag: each buffer moves it this part of the way (about 0.75 s).
const double kSmoothing = 1.0 / 16.0;

// Drift is corrected while the smoothed lag is off its target by more than this many ms...
const double kDeadBandMs = 4.0;
// ...and by no more than this: a device that runs at another pace altogether (one that writes
// to a file as fast as it can) is not a clock difference and is left alone.
const double kMostDriftMs = 150.0;

// How much faster or slower a buffer is played while drift is corrected.
const double kStretch = 0.0015;

} // namespace

MusicPacer::MusicPacer(int rate, int bufferFrames)
    : mRate(rate), mThreshold(bufferFrames + 1LL * kMarginMs * rate / 1000), mStarted(false),
      mSmoothed(0.0), mTarget(0.0), mBuffers(0)
{
}

MusicPacer::Step MusicPacer::next(long long lag, int frames)
{
    Step step;
    if (!mStarted) {
        mStarted = true;
        step.start = true;
        if (lag > 0)
            step.skip = lag;
        else
            step.silence = -lag;
        return step;
    }

    ++mBuffers;
    if (mBuffers == 1)
        mSmoothed = static_cast<double>(lag);
    if (lag - mSmoothed > mThreshold) {
        step.skip = lag - static_cast<long long>(mSmoothed);
        return step;   // what was missed is gone; the steady lag stays what it was
    }
    mSmoothed += (lag - mSmoothed) * kSmoothing;
    if (mBuffers <= kSettleBuffers) {
        mTarget = mSmoothed;
        return step;
    }

    const double driftMs = (mSmoothed - mTarget) * 1000.0 / mRate;
    if (std::fabs(driftMs) > kDeadBandMs && std::fabs(driftMs) < kMostDriftMs) {
        const int most = static_cast<int>(std::ceil(frames * kStretch));
        step.stretch = driftMs > 0 ? most : -most;
    }
    return step;
}

} // namespace sound
} // namespace veko
