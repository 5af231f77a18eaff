#include "platform/OggStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>
#include <vorbis/vorbisfile.h>   // after OggStream.h: it defines OPENED

// Music as users bring it: made by whatever encoder they have. Played at its own rate and
// channel count, an OggStream passes every sample through unchanged, so what it gives can be
// held against what libvorbisfile decodes from the same file, sample for sample.

namespace sound = veko::sound;

namespace {

std::string tempPath(const std::string& name)
{
    return std::string(::testing::TempDir()) + "kavri-" + std::to_string(getpid()) + "-" + name;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool have(const char* program)
{
    return run(std::string("command -v ") + program);
}

struct Decoded {
    std::vector<short> samples;   // interleaved, the file's own channels
    int rate = 0, channels = 0;
    int positionSteps = 0;        // pages whose position disagrees with the samples before them
};

// The file as libvorbisfile decodes it, and how often a page's position stepped off the count.
Decoded decode(const std::string& file)
{
    Decoded d;
    OggVorbis_File vf;
    if (ov_fopen(file.c_str(), &vf) != 0)
        return d;
    d.rate = static_cast<int>(ov_info(&vf, -1)->rate);
    d.channels = ov_info(&vf, -1)->channels;
    char buffer[4096];
    int section = 0;
    long n;
    long long told = ov_pcm_tell(&vf);
    while ((n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) != 0) {
        if (n < 0)
            continue;
        d.samples.insert(d.samples.end(), reinterpret_cast<short*>(buffer), reinterpret_cast<short*>(buffer + n));
        const long long now = ov_pcm_tell(&vf);
        d.positionSteps += now != told + n / (2 * d.channels);
        told = now;
    }
    ov_clear(&vf);
    return d;
}

struct Played {
    std::vector<short> samples;
    std::string said;
};

// Plays the file looping through an OggStream at the file's own format.
Played play(const std::string& file, int rate, int channels, size_t samples)
{
    Played p;
    ::testing::internal::CaptureStderr();
    sound::OggStream::Status status;
    std::string why;
    sound::OggStream* stream = sound::OggStream::open(file, true, rate, channels, &status, &why);
    if (stream) {
        p.samples.resize(samples);
        // Odd sizes, as a device asks: the stream must not care where its buffers end.
        const size_t sizes[] = {1024, 941, 2048, 17, 4096};
        for (size_t at = 0, i = 0; at < samples; ++i) {
            const size_t frames = std::min(sizes[i % 5], (samples - at) / channels);
            stream->fill(reinterpret_cast<unsigned char*>(p.samples.data() + at), static_cast<int>(frames * channels * 2));
            at += frames * channels;
        }
        delete stream;
    }
    p.said = ::testing::internal::GetCapturedStderr();
    return p;
}

// Where one Ogg page starts and ends.
struct Page { size_t offset, size; };
std::vector<Page> pages(const std::string& bytes)
{
    std::vector<Page> found;
    for (size_t at = 0; at + 27 <= bytes.size() && bytes.compare(at, 4, "OggS") == 0;) {
        const unsigned char segments = static_cast<unsigned char>(bytes[at + 26]);
        size_t size = 27 + segments;
        for (int i = 0; i < segments && at + 27 + i < bytes.size(); ++i)
            size += static_cast<unsigned char>(bytes[at + 27 + i]);
        found.push_back({at, size});
        at += size;
    }
    return found;
}

// The 32-bit CRC Ogg pages carry (polynomial 0x04c11db7, no reflection), over the page with
// its own CRC field zeroed.
void resealPage(std::string& bytes, const Page& page)
{
    for (int i = 22; i < 26; ++i)
        bytes[page.offset + i] = 0;
    unsigned int crc = 0;
    for (size_t i = 0; i < page.size; ++i) {
        crc ^= static_cast<unsigned int>(static_cast<unsigned char>(bytes[page.offset + i])) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    for (int i = 0; i < 4; ++i)
        bytes[page.offset + 22 + i] = static_cast<char>(crc >> (8 * i));
}

long long granule(const std::string& bytes, const Page& page)
{
    long long g = 0;
    for (int i = 7; i >= 0; --i)
        g = (g << 8) | static_cast<unsigned char>(bytes[page.offset + 6 + i]);
    return g;
}

void setGranule(std::string& bytes, const Page& page, long long g)
{
    for (int i = 0; i < 8; ++i)
        bytes[page.offset + 6 + i] = static_cast<char>(g >> (8 * i));
    resealPage(bytes, page);
}

int linesAbout(const std::string& said, const std::string& file)
{
    int lines = 0;
    for (size_t at = said.find(file); at != std::string::npos; at = said.find(file, at + 1))
        ++lines;
    return lines;
}

// Every sample of two and a half passes equal to the decoded file's, from the first on.
long differences(const std::vector<short>& heard, const std::vector<short>& once)
{
    long differ = 0;
    for (size_t i = 0; i < heard.size(); ++i)
        differ += heard[i] != once[i % once.size()];
    return differ;
}

// Where, near `expected` (in samples), the decoded file's start comes again in what was heard.
long secondPassAt(const std::vector<short>& heard, const std::vector<short>& once, long expected, long within)
{
    const size_t window = std::min<size_t>(4096, once.size());
    for (long shift = 0; shift <= within; ++shift)
        for (long at : {expected + shift, expected - shift}) {
            if (at < 0 || static_cast<size_t>(at) + window > heard.size())
                continue;
            if (std::equal(once.begin(), once.begin() + window, heard.begin() + at))
                return at;
        }
    return -1;
}

struct Format { int rate, channels; };
const Format kFormats[] = {{8000, 1}, {22050, 1}, {44100, 2}, {48000, 2}, {192000, 2}, {32000, 6}};

// The command that makes `out` from `source` (an Ogg Vorbis file) at `format`, for each encoder.
// Encoders read their input as users would give it: ffmpeg and sox straight from another Ogg
// Vorbis file, oggenc from a WAV file, GStreamer through its own decoder.
struct Encoder {
    const char* name;
    const char* program;
    std::string (*command)(const std::string& source, const std::string& wav, const Format& f, const std::string& out);
};

std::string ratesAndChannels(const char* rate, const char* channels, const Format& f)
{
    return std::string(" ") + rate + " " + std::to_string(f.rate) + " " + channels + " " + std::to_string(f.channels) + " ";
}

const Encoder kEncoders[] = {
    {"ffmpeg", "ffmpeg", [](const std::string& source, const std::string&, const Format& f, const std::string& out) {
         return "ffmpeg -nostdin -y -i '" + source + "' -c:a libvorbis" + ratesAndChannels("-ar", "-ac", f) + "'" + out + "'";
     }},
    {"sox", "sox", [](const std::string& source, const std::string&, const Format& f, const std::string& out) {
         return "sox '" + source + "'" + ratesAndChannels("-r", "-c", f) + "'" + out + "'";
     }},
    {"oggenc", "oggenc", [](const std::string&, const std::string& wav, const Format& f, const std::string& out) {
         return "sox '" + wav + "' -b 16" + ratesAndChannels("-r", "-c", f) + "'" + out + ".wav' && oggenc -Q -o '" + out +
                "' '" + out + ".wav'; status=$?; rm -f '" + out + ".wav'; exit $status";
     }},
    {"gstreamer", "gst-launch-1.0", [](const std::string& source, const std::string&, const Format& f, const std::string& out) {
         return "gst-launch-1.0 -q filesrc location='" + source + "' ! oggdemux ! vorbisdec ! audioconvert ! audioresample"
                " ! audio/x-raw,rate=" + std::to_string(f.rate) + ",channels=" + std::to_string(f.channels) +
                " ! vorbisenc ! oggmux ! filesink location='" + out + "'";
     }},
};

} // namespace

// Tracks from every encoder at hand, at rates from 8 to 192 kHz and one, two and six channels:
// each plays as libvorbisfile decodes it, sample for sample over two and a half passes, with
// nothing said. Some encoders write page positions that step a few hundred samples ahead and
// back with nothing lost; they are no damage. A page cut out of each of the same files is
// damage: said once, and the loop still comes round where the whole track would have.
TEST(OggStreamTracks, EveryEncodersTracksPlayWholeAndTheirDamageIsStillFound)
{
    // Plucked strings struck five times a second: sharp onsets make encoders switch between
    // long and short blocks, where page positions go astray. The strings are struck with noise;
    // -R makes it the same noise every run, so what an encoder makes of it can be made again
    // (where ffmpeg's page positions go astray depends on the music itself).
    const std::string source = tempPath("plucks.ogg"), wav = tempPath("plucks.wav");
    ASSERT_TRUE(run("sox -R -n -r 44100 -c 2 '" + source + "' synth 0.2 pluck 220 pluck 330 repeat 29"));
    ASSERT_TRUE(run("sox '" + source + "' -b 16 '" + wav + "'"));
    int tried = 0, stepping = 0;
    for (const Encoder& encoder : kEncoders) {
        if (!have(encoder.program)) {
            ADD_FAILURE() << "no " << encoder.program << " (scripts/packages-test.txt installs it)";
            continue;
        }
        for (const Format& format : kFormats) {
            const std::string label = std::string(encoder.name) + " " + std::to_string(format.rate) + " Hz, " +
                                      std::to_string(format.channels) + " channels";
            SCOPED_TRACE(label);
            const std::string file = tempPath(std::string(encoder.name) + ".ogg");
            if (!run(encoder.command(source, wav, format, file))) {
                // An encoder may not do every format (GStreamer's converter and six channels);
                // what it cannot make, users cannot bring.
                std::printf("%s: not made by this encoder\n", label.c_str());
                continue;
            }
            const Decoded whole = decode(file);
            ASSERT_EQ(whole.rate, format.rate);
            ASSERT_EQ(whole.channels, format.channels);
            ASSERT_GT(whole.samples.size(), static_cast<size_t>(format.rate * format.channels));
            ++tried;
            stepping += whole.positionSteps > 0;

            const Played played = play(file, format.rate, format.channels, whole.samples.size() * 5 / 2);
            EXPECT_EQ(differences(played.samples, whole.samples), 0)
                << "differs from the decoded file; its page positions stepped " << whole.positionSteps << " times";
            EXPECT_EQ(linesAbout(played.said, file), 0) << played.said;

            // A page from the middle lost: one line, and the next pass starts in its place. The
            // stretch after the hole is placed by the next page's position, which is only as
            // true as the encoder wrote it: within a short block.
            std::string bytes = readFile(file);
            const std::vector<Page> all = pages(bytes);
            // Two pages of headers, then sound: one from the middle of the sound.
            ASSERT_GE(all.size(), 5u);
            const Page lost = all[2 + (all.size() - 2) / 2];
            bytes.erase(lost.offset, lost.size);
            const std::string damaged = tempPath(std::string(encoder.name) + "-damaged.ogg");
            std::ofstream(damaged, std::ios::binary) << bytes;
            const Played hurt = play(damaged, format.rate, format.channels, whole.samples.size() * 3 / 2);
            EXPECT_EQ(linesAbout(hurt.said, damaged), 1) << hurt.said;
            const long frame = format.channels;
            const long at = secondPassAt(hurt.samples, whole.samples, static_cast<long>(whole.samples.size()),
                                         format.rate / 10 * frame);
            ASSERT_GE(at, 0) << "the second pass is not within 0.1 s of its place";
            EXPECT_LE(std::labs(at - static_cast<long>(whole.samples.size())) / frame, format.rate / 100)
                << "the second pass is " << (at - static_cast<long>(whole.samples.size())) / frame
                << " frames off its place";
            std::remove(damaged.c_str());
            std::remove(file.c_str());
        }
    }
    std::printf("%d tracks, %d of them with page positions that step off the samples\n", tried, stepping);
    std::remove(source.c_str());
    std::remove(wav.c_str());
}

// The same made sure of, whatever the encoders at hand do today: pages of a whole track whose
// positions step ahead (by up to a short block or a long one) and back, or lag behind and catch
// up, change nothing that is heard.
namespace {

// Plays `bytes`, a 44.1 kHz stereo track whose page positions were moved with nothing lost (at
// least `positionSteps` times, as libvorbisfile sees them), two and a half times over: every
// sample as libvorbisfile decodes it, and nothing said. `length` gets the decoded length.
void expectPlayedWhole(const std::string& bytes, int positionSteps, size_t* length = nullptr)
{
    const std::string file = tempPath("moved.ogg");
    std::ofstream(file, std::ios::binary) << bytes;
    const Decoded whole = decode(file);
    ASSERT_GE(whole.positionSteps, positionSteps);
    const Played played = play(file, 44100, 2, whole.samples.size() * 5 / 2);
    EXPECT_EQ(differences(played.samples, whole.samples), 0);
    EXPECT_EQ(linesAbout(played.said, file), 0) << played.said;
    std::remove(file.c_str());
    if (length)
        *length = whole.samples.size();
}

} // namespace

TEST(OggStreamTracks, PagePositionsThatStepAheadAndBackAreNoLoss)
{
    const std::string made = tempPath("steady.ogg");
    ASSERT_TRUE(run("sox -n -r 44100 -c 2 '" + made + "' synth 0.2 pluck 220 pluck 330 repeat 9"));
    const std::string clean = readFile(made);
    const std::vector<Page> all = pages(clean);
    ASSERT_GT(all.size(), 8u);
    for (long step : {128L, 448L, 1024L, -448L}) {
        SCOPED_TRACE("pages off by " + std::to_string(step) + " samples");
        std::string bytes = clean;
        // Every other page of sound after the first two, as some encoders write them.
        // (A page on which no packet ends has no position to move.)
        for (size_t i = 4; i + 2 < all.size(); i += 2)
            if (granule(bytes, all[i]) != -1)
                setGranule(bytes, all[i], granule(bytes, all[i]) + step);
        ASSERT_NO_FATAL_FAILURE(expectPlayedWhole(bytes, 3));
    }
    std::remove(made.c_str());
}

namespace {

// Plays `bytes` with one page cut out: one line says so, and the pass after it starts `passLength`
// samples in, within `frames`. A pass starts as the damaged file decodes.
void expectALossAndItsPlace(std::string bytes, const Page& lost, size_t passLength, long frames)
{
    bytes.erase(lost.offset, lost.size);
    const std::string damaged = tempPath("late-damaged.ogg");
    std::ofstream(damaged, std::ios::binary) << bytes;
    const Decoded rest = decode(damaged);
    ASSERT_EQ(rest.channels, 2);
    const Played hurt = play(damaged, rest.rate, 2, passLength * 3 / 2);
    EXPECT_EQ(linesAbout(hurt.said, damaged), 1) << hurt.said;
    const long at = secondPassAt(hurt.samples, rest.samples, static_cast<long>(passLength), rest.rate / 10 * 2);
    ASSERT_GE(at, 0) << "the second pass is not within 0.1 s of its place";
    EXPECT_LE(std::labs(at - static_cast<long>(passLength)) / 2, frames)
        << "the second pass is " << (at - static_cast<long>(passLength)) / 2 << " frames off its place";
    std::remove(damaged.c_str());
}

} // namespace

// A track may begin past zero: the position on its first page of sound is ahead of what that page
// holds, and every page after it stands ahead by as much (ffmpeg writes such tracks for some
// music, with the last page in step: libvorbisfile then cuts the end short). Nothing is lost, so
// it plays as libvorbisfile decodes it, from its first sample; a page lost from its middle is
// still found and made up for to the sample. A first page of sound that was cut out looks like
// such a start to libvorbisfile, but the pages' numbers show the gap: that is damage, said once,
// and the loop keeps the whole track's length.
TEST(OggStreamTracks, ATrackThatBeginsPastZeroIsWholeButALostFirstPageIsNot)
{
    const std::string made = tempPath("late.ogg");
    ASSERT_TRUE(run("sox -R -n -r 44100 -c 2 '" + made + "' synth 0.2 pluck 220 pluck 330 repeat 9"));
    const std::string clean = readFile(made);
    const std::vector<Page> all = pages(clean);
    ASSERT_GT(all.size(), 8u);
    // Two pages of headers (sox writes them so), then sound.
    ASSERT_EQ(granule(clean, all[1]), 0);
    ASSERT_GT(granule(clean, all[2]), 0);
    for (long start : {488L, 2048L})
        for (bool lastInStep : {true, false}) {
            SCOPED_TRACE("begins at " + std::to_string(start) + (lastInStep ? ", last page in step" : ""));
            std::string bytes = clean;
            for (size_t i = 2; i < all.size() - (lastInStep ? 1 : 0); ++i)
                if (granule(bytes, all[i]) != -1)
                    setGranule(bytes, all[i], granule(bytes, all[i]) + start);
            size_t length = 0;
            ASSERT_NO_FATAL_FAILURE(expectPlayedWhole(bytes, 1, &length));
            expectALossAndItsPlace(bytes, all[all.size() / 2], length, 0);
        }

    // The first page of sound lost: the rest comes after silence as long as what was lost.
    expectALossAndItsPlace(clean, all[2], decode(made).samples.size(), 0);
    std::remove(made.c_str());
}
