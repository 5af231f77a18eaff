#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/MusicPacer.h"

using veko::sound::MusicPacer;

namespace {

const int kRate = 44100;
const int kBuffer = 2048;

long long ms(double milliseconds)
{
    return static_cast<long long>(milliseconds * kRate / 1000.0);
}

// Plays `buffers` buffers against a device that holds the music `steadyMs` ahead of the show
// clock (the lag is negative), with callbacks jittered by up to +-jitterMs, a device clock that
// runs `drift` faster (0.001: 0.1 %), and the pacer's own corrections applied. Returns the
// skips, and the largest distance of the lag from its steady value in the last half.
struct Played {
    int skips = 0;
    long long skipped = 0;
    double worstMs = 0;
    long long lag = 0;
};

Played play(MusicPacer& pacer, int buffers, double steadyMs, double jitterMs, double drift, long long* lag)
{
    Played run;
    unsigned int lcg = 7;
    for (int i = 0; i < buffers; ++i) {
        lcg = lcg * 1103515245u + 12345u;
        const double jitter = ((lcg >> 8) % 2001 / 1000.0 - 1.0) * jitterMs;
        const MusicPacer::Step step = pacer.next(*lag + ms(jitter), kBuffer);
        run.skips += step.skip > 0;
        run.skipped += step.skip;
        *lag -= step.skip + step.stretch;
        // The show clock moves on a buffer's time; the device, a little more or less.
        *lag += static_cast<long long>(kBuffer * (1.0 + drift) + 0.5) - kBuffer;
        if (i > buffers / 2) {
            const double off = std::abs(static_cast<double>(*lag - ms(steadyMs))) * 1000.0 / kRate;
            run.worstMs = std::max(run.worstMs, off);
        }
    }
    run.lag = *lag;
    return run;
}

} // namespace

TEST(MusicPacer, TheStartIsPutAtTheShowsTime)
{
    MusicPacer late(kRate, kBuffer);
    MusicPacer::Step step = late.next(ms(300), kBuffer);
    EXPECT_TRUE(step.start);
    EXPECT_EQ(step.skip, ms(300));
    EXPECT_EQ(step.silence, 0);

    MusicPacer later(kRate, kBuffer);   // an audio offset that wants the sound later
    step = later.next(-ms(120), kBuffer);
    EXPECT_EQ(step.skip, 0);
    EXPECT_EQ(step.silence, ms(120));
}

TEST(MusicPacer, JitterNeverSkipsAndAShortfallSkipsWhatWasMissed)
{
    MusicPacer pacer(kRate, kBuffer);
    long long lag = 0;
    pacer.next(lag, kBuffer);
    lag = -ms(40);   // the server took its first buffers in a burst
    // Ten minutes of callbacks jittered by +-40 ms: no skip.
    Played run = play(pacer, 13000, -40, 40, 0.0, &lag);
    EXPECT_EQ(run.skips, 0);

    // One callback late by a buffer plus the margin, less a little: still jitter.
    const long long edge = pacer.threshold();
    EXPECT_EQ(pacer.next(lag + edge - ms(5), kBuffer).skip, 0);
    // A stall of 500 ms: the 40 ms the server held were heard, the rest was silence; the
    // music skips that at once, to where the show is.
    const MusicPacer::Step step = pacer.next(lag + ms(500), kBuffer);
    EXPECT_NEAR(step.skip * 1000.0 / kRate, 460.0, 10.0);
    lag -= step.skip - ms(500);
    // The server queues its share again; then no second skip.
    lag -= ms(40);
    run = play(pacer, 500, -40, 10, 0.0, &lag);
    EXPECT_EQ(run.skips, 0);

    // Shortfalls each below the threshold (50 ms, once a second) that add up: skipped too,
    // once they clearly linger, and the music ends near its place.
    for (int i = 0; i < 5; ++i) {
        lag += ms(50);
        run = play(pacer, 21, -40, 2, 0.0, &lag);
    }
    run = play(pacer, 200, -40, 2, 0.0, &lag);
    EXPECT_LT(lag * 1000.0 / kRate, 20.0) << "the music stays behind";
}

TEST(MusicPacer, ClockDifferencesAreMadeUpInSmallSteps)
{
    for (const double drift : {0.001, -0.001, 0.0004}) {
        SCOPED_TRACE(drift);
        MusicPacer pacer(kRate, kBuffer);
        long long lag = 0;
        pacer.next(lag, kBuffer);
        lag = -ms(40);
        // Ten minutes: the music never wanders more than a few ms from where it settled.
        const Played run = play(pacer, 13000, -40, 5, drift, &lag);
        EXPECT_EQ(run.skips, 0);
        EXPECT_LT(run.worstMs, 12.0);
    }

    // A device that runs at another pace altogether (one writing a file as fast as it can) is
    // left alone: no skip, no stretch.
    MusicPacer pacer(kRate, kBuffer);
    long long lag = 0;
    pacer.next(lag, kBuffer);
    int stretched = 0;
    for (int i = 0; i < 2000; ++i) {
        const MusicPacer::Step step = pacer.next(lag, kBuffer);
        stretched += step.stretch != 0;
        EXPECT_EQ(step.skip, 0);
        lag -= kBuffer;
    }
    EXPECT_LT(stretched, 200);
}
