#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>

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
        const MusicPacer::Step step = pacer.next(*lag + ms(jitter), kBuffer, true);
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
    MusicPacer::Step step = late.next(ms(300), kBuffer, true);
    EXPECT_TRUE(step.start);
    EXPECT_EQ(step.skip, ms(300));
    EXPECT_EQ(step.silence, 0);

    MusicPacer later(kRate, kBuffer);   // an audio offset that wants the sound later
    step = later.next(-ms(120), kBuffer, true);
    EXPECT_EQ(step.skip, 0);
    EXPECT_EQ(step.silence, ms(120));
}

TEST(MusicPacer, JitterNeverSkipsAndAShortfallSkipsWhatWasMissed)
{
    MusicPacer pacer(kRate, kBuffer);
    long long lag = 0;
    pacer.next(lag, kBuffer, true);
    lag = -ms(40);   // the server took its first buffers in a burst
    // Ten minutes of callbacks jittered by +-40 ms: no skip.
    Played run = play(pacer, 13000, -40, 40, 0.0, &lag);
    EXPECT_EQ(run.skips, 0);

    // One callback late by a buffer plus the margin, less a little: still jitter.
    const long long edge = pacer.threshold();
    EXPECT_EQ(pacer.next(lag + edge - ms(5), kBuffer, true).skip, 0);
    // A stall of 500 ms: the 40 ms the server held were heard, then it ran dry. It gets silence
    // while it fills its queue again, asking at once, and the first time it asks at its pace;
    // the second time, the music skips what was missed (the music stood while the show went
    // on), to where it was against the show before.
    lag += ms(500);
    for (const bool atPace : {false, false, false, true}) {
        EXPECT_TRUE(pacer.next(lag, kBuffer, atPace).quiet);
        lag += atPace ? kBuffer : 0;
    }
    const MusicPacer::Step step = pacer.next(lag, kBuffer, true);
    EXPECT_FALSE(step.quiet);
    EXPECT_NEAR(step.skip * 1000.0 / kRate, 500.0 + 46.4, 10.0);
    lag -= step.skip;
    // Then no second skip.
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
        pacer.next(lag, kBuffer, true);
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
    pacer.next(lag, kBuffer, true);
    int stretched = 0;
    for (int i = 0; i < 2000; ++i) {
        const MusicPacer::Step step = pacer.next(lag, kBuffer, true);
        stretched += step.stretch != 0;
        EXPECT_EQ(step.skip, 0);
        lag -= kBuffer;
    }
    EXPECT_LT(stretched, 200);
}

namespace {

// A sound server's stream as the pacer meets it, played frame-exactly in ticks of 64 frames: it
// holds up to `holds` frames and asks for a buffer whenever one fits, all at once while it
// fills; it plays at the show clock's pace. Run dry, it either plays whatever comes at once or
// (`prebuffers`) waits until it is full again. It hands the pacer the lag and applies its steps
// as the sound library does, and notes how far behind the show clock each heard tick is.
class Server {
public:
    Server(MusicPacer& pacer, long long holds, bool prebuffers)
        : mPacer(pacer), mHolds(holds), mPrebuffers(prebuffers)
    {
        mQueue.push_back({-1, holds - kBuffer, 1.0});   // it starts full of silence
        mQueued = holds - kBuffer;
    }

    // Plays `frames`; a stalled one asks nothing; a stopped process's show clock stands still.
    void run(long long frames, bool stalled = false, bool stopped = false)
    {
        for (long long end = mNow + frames; mNow < end; mNow += kTick) {
            play();
            if (stopped)
                mShowStood += kTick;
            while (!stalled && mQueued + kBuffer <= mHolds)
                ask();
        }
    }

    // The median of how far the music was heard behind the show clock since the last call, in ms.
    double behindMs()
    {
        std::vector<double> heard;
        heard.swap(mBehind);
        if (heard.empty())
            return 1e9;
        std::nth_element(heard.begin(), heard.begin() + heard.size() / 2, heard.end());
        return heard[heard.size() / 2] * 1000.0 / kRate;
    }
    double nowMs() const { return mNow * 1000.0 / kRate; }
    // When silence was last heard, in ms since the start: the music is heard from then on.
    double lastSilenceMs() const { return mLastSilence * 1000.0 / kRate; }
    long long skipped() const { return mSkipped; }

private:
    struct Chunk {
        double music;   // the music position of its first frame; -1 for silence
        long long frames;
        double step;    // music frames per frame heard
    };
    static const int kTick = 64;

    void play()
    {
        if (!mPlaying && mQueued >= (mPrebuffers ? mHolds - kBuffer : 1))
            mPlaying = true;
        if (!mPlaying)
            return;
        if (mQueue.empty() || mQueue.front().music < 0)
            mLastSilence = mNow;
        else
            mBehind.push_back(static_cast<double>(mNow - mShowStood) - mQueue.front().music);
        for (long long left = kTick; left > 0 && !mQueue.empty();) {
            Chunk& chunk = mQueue.front();
            const long long taken = std::min(left, chunk.frames);
            if (chunk.music >= 0)
                chunk.music += taken * chunk.step;
            chunk.frames -= taken;
            mQueued -= taken;
            left -= taken;
            if (chunk.frames == 0)
                mQueue.pop_front();
        }
        if (mQueue.empty())
            mPlaying = false;   // run dry
    }

    void ask()
    {
        const long long gap = mNow - mLastAsk;
        mLastAsk = mNow;
        const MusicPacer::Step step = mPacer.next(mNow - mShowStood - (mPosition - mQuiet), kBuffer,
                                                  gap * 4 >= kBuffer && gap <= 2 * kBuffer);
        long long frames = kBuffer;
        mQueued += frames;
        if (step.quiet) {
            mQueue.push_back({-1, frames, 1.0});
            return;
        }
        mPosition += step.skip;
        mSkipped += step.skip;
        mQuiet += step.silence;
        const long long quiet = std::min(frames, mQuiet);
        if (quiet > 0)
            mQueue.push_back({-1, quiet, 1.0});
        mQuiet -= quiet;
        frames -= quiet;
        if (frames > 0)
            mQueue.push_back({static_cast<double>(mPosition), frames, double(frames + step.stretch) / frames});
        mPosition += frames + step.stretch;
    }

    MusicPacer& mPacer;
    long long mHolds;
    bool mPrebuffers;
    std::deque<Chunk> mQueue;
    long long mQueued = 0;
    bool mPlaying = true;
    long long mNow = 0, mLastAsk = -kBuffer, mShowStood = 0;
    long long mPosition = 0, mQuiet = 0, mSkipped = 0, mLastSilence = 0;
    std::vector<double> mBehind;
};

} // namespace

// After the device ran dry (a stalled audio thread, a stopped process), the music is heard as
// far behind the picture as before, at once and for the rest of the show, whatever the device
// holds and whether it plays at once or waits until it is full; and it is heard again soon.
TEST(MusicPacer, AfterRunningDryTheMusicIsHeardWhereItWasBefore)
{
    for (const long long holds : {2LL * kBuffer, 4LL * kBuffer, 2LL * kBuffer + 700}) {
        for (const bool prebuffers : {false, true}) {
            for (const bool stop : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "holds " << holds << (prebuffers ? ", prebuffers" : "")
                                                  << (stop ? ", a stop" : ", a stall"));
                MusicPacer pacer(kRate, kBuffer);
                Server server(pacer, holds, prebuffers);
                server.run(ms(20000));
                const double before = server.behindMs();
                const long long skippedBefore = server.skipped();

                server.run(ms(500), true, stop);
                if (stop)
                    pacer.resume();
                const double end = server.nowMs();
                server.run(ms(1000));
                const double soon = server.behindMs();
                EXPECT_LT(server.lastSilenceMs() - end, holds * 1000.0 / kRate + 150.0) << "the music is heard late";
                server.run(ms(40000));
                const double later = server.behindMs();

                EXPECT_NEAR(soon, before, 3.0);
                EXPECT_NEAR(later, before, 5.0);
                const double skippedMs = (server.skipped() - skippedBefore) * 1000.0 / kRate;
                if (stop)
                    EXPECT_LT(skippedMs, 300.0) << "a stop is not skipped";
                else
                    EXPECT_GT(skippedMs, 400.0);
            }
        }
    }
}
