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
// The smoothed lag starts from one reading, jitter and all; it is not taken for the steady
// value before it has mostly forgotten that.
const int kFirstSteadyBuffer = 16;

// The smoothing of the lag: each buffer moves it this part of the way (about 0.75 s).
const double kSmoothing = 1.0 / 16.0;

// Drift is corrected while the smoothed lag is off its target by more than this many ms...
const double kDeadBandMs = 4.0;
// ...and by no more than this: a device that runs at another pace altogether (one that writes
// to a file as fast as it can) is not a clock difference and is left alone.
const double kMostDriftMs = 150.0;

// Run dry, the device refills its queue with silence until it asks at its pace this many times in
// a row: once could be one late ask in the burst of a busy machine.
const int kPacedAsks = 2;
// A device that never asks at a steady pace (one that writes a file as fast as it can) gets
// the music back after this many asks all the same.
const int kMostRefillAsks = 8;

// A smoothed lag this far above its target is music missed a little at a time.
const double kMostLingeringMs = 20.0;

// How much faster or slower a buffer is played while drift is corrected.
const double kStretch = 0.0015;

} // namespace

MusicPacer::MusicPacer(int rate, int bufferFrames)
    : mRate(rate), mThreshold(bufferFrames + 1LL * kMarginMs * rate / 1000), mStarted(false), mSettled(false),
      mRefilling(false), mPacedAsks(0), mRefillAsks(0), mSmoothed(0.0), mTarget(0.0), mBuffers(0)
{
}

void MusicPacer::newDevice()
{
    mSettled = false;
    refill();
}

// The device ran dry: the music waits, silent, while it fills its queue again.
MusicPacer::Step MusicPacer::refill()
{
    Step step;
    if (!mStarted)
        return step;   // the start puts the music in place anyway
    mRefilling = true;
    mPacedAsks = 0;
    mRefillAsks = 0;
    step.quiet = true;
    return step;
}

// The device asks at its pace again, its queue full: the music is put where the show is, as
// far ahead of the device as it was before it ran dry (as at the start, for a new device).
MusicPacer::Step MusicPacer::putBack(long long lag, bool atPace)
{
    mPacedAsks = atPace ? mPacedAsks + 1 : 0;
    if (mPacedAsks < kPacedAsks && ++mRefillAsks < kMostRefillAsks) {
        Step step;
        step.quiet = true;
        return step;
    }
    mRefilling = false;
    mBuffers = 0;
    const long long off = lag - (mSettled ? std::llround(mTarget) : 0);
    Step step;
    if (off > 0)
        step.skip = off;
    else
        step.silence = -off;
    return step;
}

MusicPacer::Step MusicPacer::next(long long lag, int frames, bool atPace)
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
    if (mRefilling)
        return putBack(lag, atPace);

    ++mBuffers;
    if (mBuffers == 1)
        mSmoothed = mSettled ? mTarget : std::min(static_cast<double>(lag), 0.0);
    if (lag - mSmoothed > mThreshold)
        return refill();
    mSmoothed += (lag - mSmoothed) * kSmoothing;
    const bool settling = !mSettled;
    if (settling) {
        // Shortfalls only raise the lag and the server's queueing only lowers it, so the
        // steady value is the lowest the smoothed lag comes to; and never above nought, since
        // music handed over later than its time is music missed.
        if (mBuffers == kFirstSteadyBuffer || (mBuffers > kFirstSteadyBuffer && mSmoothed < mTarget))
            mTarget = std::min(mSmoothed, 0.0);
        mSettled = mBuffers >= kSettleBuffers;
    }
    // Shortfalls shorter than the threshold that add up (a busy machine) show as a lag that
    // stays above its target: that is music missed, not jitter, which averages out.
    const double reference = settling ? 0.0 : mTarget;
    if ((mSmoothed - reference) * 1000.0 / mRate > kMostLingeringMs)
        return refill();
    if (settling)
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
