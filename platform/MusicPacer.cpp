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

// Buffers after a restart before the server has queued its share again.
const int kRefillBuffers = 16;

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
      mSmoothed(0.0), mTarget(0.0), mSum(0.0), mCount(0), mBuffers(0), mSettled(false),
      mRefillPending(false)
{
}

// The device ran dry: like at the start, nothing is queued, so the music is put where the show
// is now. The server then queues its share again, and the lag settles afresh.
MusicPacer::Step MusicPacer::restart(long long lag)
{
    Step step;
    step.skip = lag > 0 ? lag : 0;
    mBuffers = 0;
    mRefillPending = mSettled;
    return step;
}

MusicPacer::Step MusicPacer::next(long long lag, int frames)
{
    if (!mStarted) {
        mStarted = true;
        Step step = restart(lag);
        step.start = true;
        step.silence = lag < 0 ? -lag : 0;
        return step;
    }

    Step step;
    ++mBuffers;
    if (mBuffers == 1)
        mSmoothed = std::min(static_cast<double>(lag), 0.0);
    if (lag - mSmoothed > mThreshold)
        return restart(lag);
    mSmoothed += (lag - mSmoothed) * kSmoothing;

    if (!mSettled) {
        // The steady value: the mean lag once the server has taken its first buffers, over
        // buffers without a shortfall (one restarts the settling).
        if (mBuffers == 1) {
            mSum = 0.0;
            mCount = 0;
        }
        if (mBuffers > kRefillBuffers) {
            mSum += static_cast<double>(lag);
            ++mCount;
        }
        mSettled = mBuffers >= kSettleBuffers;
        if (mSettled)
            mTarget = mSum / mCount;
        if (mSmoothed * 1000.0 / mRate > kMostLingeringMs)
            return restart(lag);
        return step;
    }

    // After a restart the server queues its share again, and a server that played on at once
    // (no new prebuffering) then holds the music that much ahead: it waits for it in silence.
    if (mRefillPending && mBuffers == kRefillBuffers) {
        mRefillPending = false;
        if ((mTarget - mSmoothed) * 1000.0 / mRate > kDeadBandMs) {
            step.silence = static_cast<long long>(mTarget - mSmoothed);
            mSmoothed = mTarget;
            return step;
        }
    }

    // Shortfalls shorter than the threshold that add up (a busy machine) show as a lag that
    // stays above its target: that is music missed, not jitter, which averages out.
    if ((mSmoothed - mTarget) * 1000.0 / mRate > kMostLingeringMs)
        return restart(lag);

    const double driftMs = (mSmoothed - mTarget) * 1000.0 / mRate;
    if (mBuffers > kRefillBuffers && std::fabs(driftMs) > kDeadBandMs && std::fabs(driftMs) < kMostDriftMs) {
        const int most = static_cast<int>(std::ceil(frames * kStretch));
        step.stretch = driftMs > 0 ? most : -most;
    }
    return step;
}

} // namespace sound
} // namespace veko
