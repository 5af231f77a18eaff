#include "DataFiles.h"

#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const double kBar = 2.526;
const double kCues[5] = {0.0, 0.635, 1.1, 1.26, 1.89};
const int kBars = 28;
const long kLoopFrames = 3119105; // 70.728 s at 44.1 kHz

struct Track {
    long rate = 0;
    int channels = 0;
    ogg_int64_t frames = 0;
    double seconds = 0;
    std::vector<float> mono; // (left + right) / 2
    float firstLeft = 0, lastLeft = 0;
};

// Decodes the whole track once for all tests.
const Track& track()
{
    static Track t = [] {
        Track result;
        OggVorbis_File file;
        if (ov_fopen(datafiles::path("stream/zaza.ogg").c_str(), &file) != 0)
            return result;
        const vorbis_info* info = ov_info(&file, -1);
        result.rate = info->rate;
        result.channels = info->channels;
        result.frames = ov_pcm_total(&file, -1);
        result.seconds = ov_time_total(&file, -1);
        result.mono.reserve(static_cast<size_t>(result.frames));
        int section = 0;
        for (;;) {
            float** pcm = nullptr;
            long n = ov_read_float(&file, &pcm, 4096, &section);
            if (n <= 0)
                break;
            if (result.mono.empty())
                result.firstLeft = pcm[0][0];
            for (long i = 0; i < n; ++i)
                result.mono.push_back(0.5f * (pcm[0][i] + pcm[result.channels > 1 ? 1 : 0][i]));
            result.lastLeft = pcm[0][n - 1];
        }
        ov_clear(&file);
        return result;
    }();
    return t;
}

// Onsets of the looping stream: the track is read as a loop, so a hit at
// 0 s follows the end of the track. Times where the energy of the signal's first difference (which
// brings out the clicks of drum attacks) jumps by at least 6 dB from one
// 5.8 ms window to the next, taken at the strongest jump within 20 ms.
std::vector<double> onsets(const std::vector<float>& track, long rate)
{
    const long hop = 64, window = 256, lead = 2 * window;
    std::vector<float> x(track.end() - lead, track.end());
    x.insert(x.end(), track.begin(), track.end());
    std::vector<double> prefix(x.size() + 1, 0.0);
    for (size_t i = 1; i < x.size(); ++i) {
        const double d = x[i] - x[i - 1];
        prefix[i + 1] = prefix[i] + d * d;
    }
    auto energy = [&](long from) { return prefix[from + window] - prefix[from]; };
    std::vector<double> rise;
    for (long start = window; start + window < static_cast<long>(x.size()); start += hop)
        rise.push_back(std::log((energy(start) + 1e-9) / (energy(start - window) + 1e-9)));

    std::vector<double> times;
    const long reach = static_cast<long>(0.02 * rate / hop);
    for (long k = 0; k < static_cast<long>(rise.size()); ++k) {
        if (rise[k] < std::log(4.0))
            continue;
        bool peak = true;
        for (long j = std::max(0L, k - reach); j <= std::min<long>(rise.size() - 1, k + reach) && peak; ++j)
            peak = rise[j] < rise[k] || (rise[j] == rise[k] && j >= k);
        if (peak)
            times.push_back(static_cast<double>(window + k * hop - lead) / rate);
    }
    return times;
}

double rms(const std::vector<float>& x, double from, double to, long rate)
{
    const size_t a = static_cast<size_t>(from * rate), b = std::min(x.size(), static_cast<size_t>(to * rate));
    double sum = 0;
    for (size_t i = a; i < b; ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return std::sqrt(sum / std::max<size_t>(1, b - a));
}

} // namespace

TEST(Music, IsStereoAt44kHzAndExactlyTwentyEightBarsLong)
{
    const Track& t = track();
    ASSERT_EQ(t.rate, 44100);
    EXPECT_EQ(t.channels, 2);
    EXPECT_EQ(t.frames, kLoopFrames);
    EXPECT_NEAR(t.seconds, kBars * kBar, 0.001);
    EXPECT_EQ(static_cast<long>(t.mono.size()), kLoopFrames);
}

TEST(Music, DrumHitsLandOnEveryCueOfEveryBar)
{
    const Track& t = track();
    ASSERT_EQ(t.rate, 44100);
    const std::vector<double> found = onsets(t.mono, t.rate);
    int missed = 0;
    double worst = 0;
    for (int bar = 0; bar < kBars; ++bar) {
        for (double offset : kCues) {
            const double cue = bar * kBar + offset;
            double nearest = 1e9;
            for (double onset : found)
                nearest = std::min(nearest, std::fabs(onset - cue));
            if (nearest > 0.010) {
                ++missed;
                ADD_FAILURE() << "no onset within 10 ms of the cue at " << cue << " s (nearest " << nearest << " s)";
            }
            worst = std::max(worst, nearest);
        }
    }
    EXPECT_EQ(missed, 0);
    RecordProperty("worst_cue_offset_ms", static_cast<int>(worst * 1000));

    // The detector is no pushover: the same grid moved by 40 ms mostly finds nothing.
    int shiftedHits = 0;
    for (int bar = 0; bar < kBars; ++bar)
        for (double offset : kCues) {
            const double moved = bar * kBar + offset + 0.04;
            for (double onset : found)
                if (std::fabs(onset - moved) <= 0.010) {
                    ++shiftedHits;
                    break;
                }
        }
    RecordProperty("shifted_grid_hits", shiftedHits);
    EXPECT_LT(shiftedHits, kBars * 5 / 4);
}

TEST(Music, LoopsWithoutASeam)
{
    const Track& t = track();
    ASSERT_EQ(static_cast<long>(t.mono.size()), kLoopFrames);
    // The jump from the last sample back to the first is no larger than the
    // signal's ordinary steps, and the level does not drop at the loop point.
    EXPECT_LT(std::fabs(t.lastLeft - t.firstLeft), 0.1f);
    const double end = rms(t.mono, kBars * kBar - 0.1, kBars * kBar, t.rate);
    const double start = rms(t.mono, 0, 0.1, t.rate);
    EXPECT_GT(end, 0.01);
    EXPECT_GT(start, 0.01);
    EXPECT_LT(std::max(start, end) / std::min(start, end), 4.0);
}

TEST(Music, TheLongestSceneBuildsUp)
{
    const Track& t = track();
    ASSERT_EQ(t.rate, 44100);
    // Bars 13-14 against bars 19-20 (counting from one).
    const double quiet = rms(t.mono, 12 * kBar, 14 * kBar, t.rate);
    const double loud = rms(t.mono, 18 * kBar, 20 * kBar, t.rate);
    EXPECT_GT(loud, quiet * 1.3);
}

TEST(Music, NeverClips)
{
    const Track& t = track();
    float peak = 0;
    for (float s : t.mono)
        peak = std::max(peak, std::fabs(s));
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(peak, 0.3f);
}
