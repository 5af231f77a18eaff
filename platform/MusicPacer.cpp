#include "platform/MusicPacer.h"

#include <algorithm>
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

// A smoothed lag this far above its target is music missed a little at a time.
const double kMostLingeringMs = 20.0;

// How much faster or slower a buffer is played while drift is corrected.
const double kStretch = 0.0015;

} // namespace

MusicPacer::MusicPacer(int rate, int bufferFrames)
    : mRate(rate), mThreshold(bufferFrames + 1LL * kMarginMs * rate / 1000), mStarted(false),
      mSmoothed(0.0), mTarget(0.0), mBuffers(0)
{
}

// The device ran dry: like at the start, nothing is queued, so the music is put where the show
// is now. The server then queues its share again, and the lag settles afresh.
MusicPacer::Step MusicPacer::restart(long long lag)
{
    Step step;
    step.skip = lag > 0 ? lag : 0;
    mBuffers = 0;
    return step;
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
        mSmoothed = std::min(static_cast<double>(lag), 0.0);
    if (lag - mSmoothed > mThreshold)
        return restart(lag);
    mSmoothed += (lag - mSmoothed) * kSmoothing;
    if (mBuffers <= kSettleBuffers) {
        // Shortfalls only raise the lag and the server's queueing only lowers it, so the
        // steady value is the lowest the smoothed lag comes to; and never above nought, since
        // music handed over later than its time is music missed.
        if (mBuffers == 1 || mSmoothed < mTarget)
            mTarget = std::min(mSmoothed, 0.0);
    }
    // Shortfalls shorter than the threshold that add up (a busy machine) show as a lag that
    // stays above its target: that is music missed, not jitter, which averages out.
    const double reference = mBuffers <= kSettleBuffers ? 0.0 : mTarget;
    if ((mSmoothed - reference) * 1000.0 / mRate > kMostLingeringMs)
        return restart(lag);
    if (mBuffers <= kSettleBuffers)
        return step;

    const double driftMs = (mSmoothed - mTarget) * 1000.0 / mRate;
    if (std::fabs(driftMs) > kDeadBandMs && std::fabs(driftMs) < kMostDriftMs) {
        const int most = static_cast<int>(std::ceil(frames * kStretch));
        step.stretch = driftMs > 0 ? most : -most;
    }
    return step;
}

} // namespace sound
} // namespace veko
