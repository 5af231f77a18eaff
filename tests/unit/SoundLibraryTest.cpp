#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <SDL2/SDL.h>
#include <vorbis/vorbisfile.h>

#include "env/Env.h"
#include "platform/ClockShare.h"
#include "platform/ShowClock.h"
#include "platform/SoundLibrary.h"
#include "TestSupport.h"

namespace sound = veko::sound;

namespace {

// A file name of this test process's own: CTest runs tests side by side.
std::string tempPath(const std::string& name)
{
    return std::string(::testing::TempDir()) + "kavri-" + std::to_string(getpid()) + "-" + name;
}

std::string writeTempFile(const char* name, const std::string& bytes)
{
    std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

int linesContaining(const std::string& text, const std::string& word)
{
    int count = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        count += text.substr(start, end - start).find(word) != std::string::npos;
        start = end + 1;
    }
    return count;
}

class SoundLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing_support::quietAudio();
        ASSERT_EQ(sound::System_Create(&system), sound::OK);
        ASSERT_EQ(system->init(1, sound::INIT_NORMAL, nullptr), sound::OK);
    }
    void TearDown() override
    {
        system->close();
        system->release();
    }

    sound::Result open(const std::string& path, sound::Sound** s)
    {
        return system->createStream(path.c_str(), sound::LOOP_NORMAL | sound::MODE_2D | sound::HARDWARE,
                                    nullptr, s);
    }

    sound::System* system = nullptr;
};

TEST(SoundPaths, WindowsSeparatorsBecomeSlashes)
{
    char out[64];
    sound::toNativePath("..\\data\\stream\\zaza.ogg", out, sizeof out);
    EXPECT_STREQ(out, "../data/stream/zaza.ogg");
    sound::toNativePath("../data/textures/zuli!.png", out, sizeof out);
    EXPECT_STREQ(out, "../data/textures/zuli!.png");
    char small[5];
    sound::toNativePath("abcdefgh", small, sizeof small);
    EXPECT_STREQ(small, "abcd");
}

TEST_F(SoundLibraryTest, MissingAndBadFilesGiveNoStream)
{
    sound::Sound* s = reinterpret_cast<sound::Sound*>(1);
    EXPECT_EQ(open("/nonexistent/zaza.ogg", &s), sound::ERR_FILE_NOTFOUND);
    EXPECT_EQ(s, nullptr);

    EXPECT_EQ(open(writeTempFile("empty.ogg", ""), &s), sound::ERR_FORMAT);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(open(writeTempFile("garbage.ogg", std::string(5000, '\x5a')), &s), sound::ERR_FORMAT);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(open(writeTempFile("truncated.ogg", "OggS\0\x02\0\0"), &s), sound::ERR_FORMAT);
    EXPECT_EQ(s, nullptr);
    for (const char* name : {"empty.ogg", "garbage.ogg", "truncated.ogg"})
        std::remove(tempPath(name).c_str());

    sound::Channel* channel = reinterpret_cast<sound::Channel*>(1);
    EXPECT_EQ(system->playSound(sound::CHANNEL_FREE, nullptr, false, &channel), sound::ERR_INVALID_PARAM);
    EXPECT_EQ(channel, nullptr);
}

TEST_F(SoundLibraryTest, TheShowsTrackPlaysAtOnceAndStopsOnRelease)
{
    const std::string track = std::string(KAVRI_DATA_DIR) + "/stream/zaza.ogg";
    if (!std::ifstream(track))
        GTEST_SKIP() << "no music track in " << KAVRI_DATA_DIR;
    sound::Sound* s = nullptr;
    ASSERT_EQ(open(track, &s), sound::OK);
    sound::Channel* channel = nullptr;
    ASSERT_EQ(system->playSound(sound::CHANNEL_FREE, s, false, &channel), sound::OK);
    ASSERT_NE(channel, nullptr);
    EXPECT_TRUE(channel->isPlaying());
    EXPECT_EQ(s->release(), sound::OK);
    EXPECT_FALSE(channel->isPlaying());
}

TEST(SoundWithoutSystem, CallsBeforeInitFailCleanly)
{
    sound::System* system = nullptr;
    ASSERT_EQ(sound::System_Create(&system), sound::OK);
    sound::Sound* s = nullptr;
    EXPECT_EQ(system->createStream("x.ogg", sound::LOOP_NORMAL, nullptr, &s), sound::ERR_INITIALIZATION);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(system->close(), sound::OK);
    EXPECT_EQ(system->release(), sound::OK);
}

TEST(EnvMusic, MusicThatCannotBePlayedLeavesTheShowSilentAndStoppable)
{
    // A missing file and a directory in its place: one line each, naming the file and why.
    const std::string folder = tempPath("zaza.ogg");
    rmdir(folder.c_str());
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::pair<std::string, std::string> cases[] = {
        {"..\\nowhere\\zaza.ogg", "missing"}, {folder, "directory"}};
    for (const auto& music : cases) {
        irr::IrrlichtDevice* device = testing_support::createNullDevice();
        ASSERT_NE(device, nullptr);
        veko::Env* env = new veko::Env(device);
        ::testing::internal::CaptureStderr();
        env->playMusic(music.first.c_str());
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("zaza.ogg"), std::string::npos) << err;
        EXPECT_NE(err.find(music.second), std::string::npos) << err;
        EXPECT_EQ(linesContaining(err, "zaza.ogg"), 1) << err;
        env->addTime(1.0f);
        env->stopMusic();
        delete env;
        device->drop();
    }
    rmdir(folder.c_str());
}

// The Env opens the sound device; deleting it lets go of the device and of SDL's audio, with the
// music playing or not, and whether or not stopMusic() came first.
TEST(EnvMusic, DeletingTheEnvLetsGoOfTheSoundDevice)
{
    const std::string track = std::string(KAVRI_DATA_DIR) + "/stream/zaza.ogg";
    for (bool stoppedFirst : {false, true}) {
        for (bool playing : {false, true}) {
            SCOPED_TRACE(std::string(stoppedFirst ? "stopMusic, then " : "") + "delete, music " +
                         (playing ? "playing" : "not started"));
            irr::IrrlichtDevice* device = testing_support::createNullDevice();
            ASSERT_NE(device, nullptr);
            veko::Env* env = new veko::Env(device);
            if (!SDL_WasInit(SDL_INIT_AUDIO)) {
                delete env;
                device->drop();
                GTEST_SKIP() << "no audio device opens here";
            }
            if (playing && std::ifstream(track))
                env->playMusic(track.c_str());
            if (stoppedFirst)
                env->stopMusic();
            delete env;
            EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
            device->drop();
        }
    }
}

// --- What the sound layer writes to the device ------------------------------------------------
// SDL's disk driver writes what would be heard to a file (44.1 kHz, 16-bit stereo, as the layer
// asks) and, with no delay, faster than real time: seconds of music take a moment.

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string trackPath()
{
    return std::string(KAVRI_DATA_DIR) + "/stream/zaza.ogg";
}

bool run(const std::string& command)
{
    return std::system((command + " 2>/dev/null").c_str()) == 0;
}

struct Heard {
    std::vector<short> samples;   // interleaved left, right
    bool stoppedBySelf = false;   // the music ended before the wanted length was written
    std::string said;             // what the layer and the test's Env printed meanwhile

    long frames() const { return static_cast<long>(samples.size() / 2); }
    // Root mean square of the left channel over [from, to) seconds, in sample units.
    double rms(double from, double to) const
    {
        const long a = static_cast<long>(from * 44100), b = std::min(frames(), static_cast<long>(to * 44100));
        double sum = 0;
        for (long i = a; i < b; ++i)
            sum += static_cast<double>(samples[2 * i]) * samples[2 * i];
        return b > a ? std::sqrt(sum / (b - a)) : 0.0;
    }
};

// Plays the file as the show does (looping) until `seconds` of sound were written or it ends.
Heard playToDisk(const std::string& file, double seconds)
{
    const std::string out = tempPath("heard.raw");
    std::remove(out.c_str());
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);   // 46 times as fast as heard, and the silence before the music stays short

    Heard heard;
    ::testing::internal::CaptureStderr();
    sound::System* system = nullptr;
    sound::System_Create(&system);
    sound::Sound* music = nullptr;
    sound::Channel* channel = nullptr;
    if (system->init(1, sound::INIT_NORMAL, nullptr) == sound::OK &&
        system->createStream(file.c_str(), sound::LOOP_NORMAL | sound::MODE_2D, nullptr, &music) == sound::OK &&
        system->playSound(sound::CHANNEL_FREE, music, false, &channel) == sound::OK) {
        const long long wanted = static_cast<long long>(seconds * 44100) * 4;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        // The device writes silence as fast as it can until the music starts, so what counts
        // is what follows the first sound. The silence is scanned once, as it grows.
        long long scanned = 0, lead = -1;
        auto enough = [&] {
            struct stat info;
            if (stat(out.c_str(), &info) != 0)
                return false;
            if (lead < 0) {
                std::ifstream in(out, std::ios::binary);
                in.seekg(scanned);
                char chunk[65536];
                while (lead < 0) {
                    in.read(chunk, sizeof chunk);
                    const std::streamsize got = in.gcount();
                    if (got <= 0)
                        break;
                    for (std::streamsize i = 0; i < got && lead < 0; ++i)
                        if (chunk[i] != 0)
                            lead = scanned + i;
                    scanned += got;
                }
            }
            return lead >= 0 && info.st_size - lead >= wanted + 4;
        };
        while (std::chrono::steady_clock::now() < deadline && !enough()) {
            if (!channel->isPlaying()) {
                heard.stoppedBySelf = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        music->release();
    }
    system->close();
    system->release();
    heard.said = ::testing::internal::GetCapturedStderr();
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    const std::string bytes = readFile(out);
    std::remove(out.c_str());
    heard.samples.resize(bytes.size() / 2);
    std::copy(bytes.data(), bytes.data() + heard.samples.size() * 2, reinterpret_cast<char*>(heard.samples.data()));
    // The device may run a moment before the music starts: the sound begins at its first sample.
    size_t first = 0;
    while (first < heard.samples.size() && heard.samples[first] == 0)
        ++first;
    heard.samples.erase(heard.samples.begin(), heard.samples.begin() + (first & ~size_t(1)));
    return heard;
}

// The file decoded as 16-bit stereo at its own rate, the reference for what must be heard.
std::vector<short> decode(const std::string& file)
{
    std::vector<short> pcm;
    OggVorbis_File vf;
    if (ov_fopen(file.c_str(), &vf) != 0)
        return pcm;
    char buffer[4096];
    int section = 0;
    long n;
    while ((n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) != 0)
        if (n > 0)
            pcm.insert(pcm.end(), reinterpret_cast<short*>(buffer), reinterpret_cast<short*>(buffer + n));
    ov_clear(&vf);
    return pcm;
}

// Where each Ogg page starts, and its granule position. The generated track's layout depends
// on the synthesiser and encoder versions, so damage is placed by pages, not by fixed offsets.
struct OggPage { size_t offset; long long granule; };
std::vector<OggPage> oggPages(const std::string& bytes)
{
    std::vector<OggPage> pages;
    for (size_t at = bytes.find("OggS"); at != std::string::npos && at + 14 <= bytes.size();
         at = bytes.find("OggS", at + 4)) {
        long long granule = 0;
        for (int i = 7; i >= 0; --i)
            granule = (granule << 8) | static_cast<unsigned char>(bytes[at + 6 + i]);
        pages.push_back({at, granule});
    }
    return pages;
}

TEST(SoundOnDisk, TheLoopRepeatsEverySampleWithoutAGap)
{
    if (!std::ifstream(trackPath()))
        GTEST_SKIP() << "no music track in " << KAVRI_DATA_DIR;
    // Three seconds, streamed from the file again each pass; a tenth of a second, repeated
    // from memory.
    for (const char* length : {"3", "0.1"}) {
        SCOPED_TRACE(length);
        const std::string cut = tempPath("cut.ogg");
        ASSERT_TRUE(run("sox '" + trackPath() + "' '" + cut + "' trim 1 " + length));
        const std::vector<short> once = decode(cut);
        ASSERT_GT(once.size(), 2u * 4000);

        const Heard heard = playToDisk(cut, std::max(8.0, 8 * std::atof(length)));
        ASSERT_GE(heard.samples.size(), 2 * once.size() + once.size() / 2);
        // Sound starts at the cut's first non-zero sample, as heard.samples does.
        size_t lead = 0;
        while (once[lead] == 0)
            ++lead;
        lead &= ~size_t(1);
        long differ = 0;
        for (size_t i = 0; i + lead < 2 * once.size() + once.size() / 2; ++i)
            differ += heard.samples[i] != once[(i + lead) % once.size()];
        EXPECT_EQ(differ, 0) << "samples differ over two and a half loops";
        std::remove(cut.c_str());
    }
}

TEST(SoundOnDisk, ADamagedStretchCostsAGlitchNotTheRestOfTheMusic)
{
    if (!std::ifstream(trackPath()))
        GTEST_SKIP() << "no music track in " << KAVRI_DATA_DIR;
    const std::string track = readFile(trackPath());
    const std::vector<short> clean = decode(trackPath());
    const double seconds = 70.728;
    struct Damage { double at; size_t length; char fill; } cases[] = {
        {0.08, 3000, 'r'},     // one page's worth of noise
        {0.08, 3000, '\0'},   // zeroed
        {0.30, 40000, 'r'},    // a dozen pages at once
        {0.01, 3000, 'r'},     // the first pages of sound
        {-1.0, 3000, 'r'},     // the pages before the last: what follows is the loop's start
    };
    // A lost last page would hide the track's true length; the damage ends just before it.
    const size_t lastPage = oggPages(track).back().offset;
    for (const Damage& damage : cases) {
        SCOPED_TRACE("damage at " + std::to_string(damage.at) + ", " + std::to_string(damage.length) + " bytes");
        std::string bytes = track;
        unsigned int lcg = 12345;
        const size_t from = damage.at < 0 ? lastPage - damage.length - 16 : static_cast<size_t>(damage.at * bytes.size());
        for (size_t i = from; i < from + damage.length; ++i) {
            lcg = lcg * 1103515245u + 12345u;
            bytes[i] = damage.fill == 'r' ? static_cast<char>(lcg >> 16) : damage.fill;
        }
        const std::string file = writeTempFile("damaged.ogg", bytes);

        // Listen well past the damage: the last seconds hold the music, in its place (what was
        // lost is as long in silence), so it stays in step with the picture.
        const double until = static_cast<double>(from + damage.length) / bytes.size() * seconds + 4.0;
        const Heard heard = playToDisk(file, until);
        EXPECT_FALSE(heard.stoppedBySelf);
        ASSERT_GE(heard.frames(), static_cast<long>((until - 0.5) * 44100));
        EXPECT_GT(heard.rms(until - 2.0, until - 0.5), 300.0) << "silence after the damage";
        long differ = 0;
        for (size_t i = static_cast<size_t>((until - 1.5) * 44100) * 2; i < static_cast<size_t>((until - 0.5) * 44100) * 2; ++i)
            differ += heard.samples[i] != clean[i % clean.size()];
        EXPECT_EQ(differ, 0) << "samples out of place after the damage";
        EXPECT_EQ(linesContaining(heard.said, "damaged.ogg"), 1) << heard.said;
        std::remove(file.c_str());
    }
}

TEST(SoundOnDisk, TracksOfOtherRatesAndChannelCountsPlayAtTheirPitch)
{
    const char* formats[] = {"-r 22050 -c 1", "-r 48000 -c 2", "-r 32000 -c 1"};
    for (const char* format : formats) {
        SCOPED_TRACE(format);
        const std::string file = tempPath("tone.ogg");
        ASSERT_TRUE(run(std::string("sox -n ") + format + " '" + file + "' synth 2 sine 441 gain -6"));
        const Heard heard = playToDisk(file, 1.5);
        ASSERT_GE(heard.frames(), 44100);
        // 441 Hz: 882 sign changes a second, and both channels alike (up to the encoder's error).
        int crossings = 0;
        double unlike = 0;
        for (long i = 1; i <= 44100; ++i) {
            crossings += (heard.samples[2 * i] < 0) != (heard.samples[2 * i - 2] < 0);
            const double d = heard.samples[2 * i] - heard.samples[2 * i + 1];
            unlike += d * d;
        }
        EXPECT_NEAR(crossings, 882, 6);
        EXPECT_LT(std::sqrt(unlike / 44100), 0.02 * heard.rms(0.0, 1.0));
        EXPECT_GT(heard.rms(0.1, 1.0), 5000.0);
        std::remove(file.c_str());
    }
}

TEST(SoundOnDisk, AChainedFileKeepsEverySampleWhenItsFormatChanges)
{
    // Two links of one second each: a tone at 22.05 kHz mono, then silence at 48 kHz stereo.
    // Every loop the tone lasts its second and comes back exactly two seconds later; a link
    // change that dropped or shifted sound would shorten both.
    const std::string tone = tempPath("link1.ogg"), quiet = tempPath("link2.ogg"), chained = tempPath("chained.ogg");
    ASSERT_TRUE(run("sox -n -r 22050 -c 1 '" + tone + "' synth 1 sine 441 gain -6"));
    ASSERT_TRUE(run("sox -n -r 48000 -c 2 '" + quiet + "' trim 0 1"));
    std::ofstream(chained, std::ios::binary) << readFile(tone) << readFile(quiet);
    const Heard heard = playToDisk(chained, 4.5);
    ASSERT_GE(heard.frames(), 4 * 44100);
    // Where the tone is: runs of samples above a threshold, joined over its zero crossings.
    std::vector<std::pair<long, long>> tones;
    for (long i = 0; i < heard.frames(); ++i) {
        if (std::abs(heard.samples[2 * i]) < 2000)
            continue;
        if (tones.empty() || i - tones.back().second > 441)
            tones.push_back({i, i});
        tones.back().second = i;
    }
    ASSERT_GE(tones.size(), 2u);
    EXPECT_NEAR(tones[0].second - tones[0].first, 44100, 200) << "the first link's tone lost its end";
    EXPECT_NEAR(tones[1].first - tones[0].first, 2 * 44100, 200) << "the second pass starts out of place";
    for (const std::string& file : {tone, quiet, chained})
        std::remove(file.c_str());
}

TEST(SoundOnDisk, AStreamThatCannotBeDecodedEndsWithOneLine)
{
    if (!std::ifstream(trackPath()))
        GTEST_SKIP() << "no music track in " << KAVRI_DATA_DIR;
    // The headers stay, everything after them is noise or nothing: no hang, no busy loop, at most
    // one line, and the channel says it has stopped.
    const std::string track = readFile(trackPath());
    // The headers end where the first page with a sample position starts.
    size_t headers = 0;
    for (const OggPage& page : oggPages(track))
        if (page.granule != 0) {
            headers = page.offset;
            break;
        }
    ASSERT_GT(headers, 0u);
    std::string noise = track;
    unsigned int lcg = 99;
    for (size_t i = headers; i < noise.size(); ++i) {
        lcg = lcg * 1103515245u + 12345u;
        noise[i] = static_cast<char>(lcg >> 16);
    }
    const std::string variants[] = {noise, track.substr(0, headers)};
    for (const std::string& bytes : variants) {
        const std::string file = writeTempFile("undecodable.ogg", bytes);
        const auto started = std::chrono::steady_clock::now();
        const Heard heard = playToDisk(file, 60.0);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        EXPECT_LE(linesContaining(heard.said, "undecodable.ogg"), 1) << heard.said;
        EXPECT_LT(heard.frames(), 44100 * 10);
        std::remove(file.c_str());
    }
}

// A thread that runs while it is in scope: a failed assertion that leaves the test early ends
// it too, instead of ending the whole test program (std::terminate on a joinable thread).
class ScopedLoop {
public:
    template <class Step>
    explicit ScopedLoop(Step step) : mThread([this, step] { while (!mDone) step(); }) {}
    ~ScopedLoop() { stop(); }
    void stop()
    {
        mDone = true;
        if (mThread.joinable())
            mThread.join();
    }

private:
    std::atomic<bool> mDone{false};
    std::thread mThread;
};

// The music follows a show clock played by the test: a stall of the audio thread (the device
// held locked, while the show clock runs on) is skipped at once by what was missed; a stopped
// process (the show clock stands still, a continue is counted) is not. SDL's disk driver runs at
// the pace it would be heard. It writes to a file of the test's own: SDL 2.32 (Debian 13) opens
// only a regular file or a pipe there, not a device such as /dev/null.
TEST(SoundOnDisk, AStalledDeviceSkipsWhatItMissedAndAStoppedProcessDoesNot)
{
    const std::string tone = tempPath("follow.ogg");
    ASSERT_TRUE(run("sox -n -r 44100 -c 2 '" + tone + "' synth 3 sine 441 gain -6"));
    const std::string log = tempPath("sound.log"), heard = tempPath("follow.raw");
    std::remove(log.c_str());
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");
    setenv("KAVRI_SOUND_LOG", log.c_str(), 1);

    veko::ClockShare share;
    std::atomic<long long> standing(0);   // ms the show clock leaves out
    std::atomic<bool> stopped(false);
    const long long zero = veko::ShowClock::monotonicMilliseconds();
    ScopedLoop loop([&] {
        const long long now = veko::ShowClock::monotonicMilliseconds();
        if (!stopped)
            share.publish({now - zero - standing, now, veko::ShowClock::continuesSoFar()});
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });

    sound::System* system = nullptr;
    sound::System_Create(&system);
    sound::Sound* music = nullptr;
    ASSERT_EQ(system->init(1, sound::INIT_NORMAL, nullptr), sound::OK) << SDL_GetError();
    system->follow(&share, 0);
    ASSERT_EQ(system->createStream(tone.c_str(), sound::LOOP_NORMAL, nullptr, &music), sound::OK);
    ASSERT_EQ(system->playSound(sound::CHANNEL_FREE, music, false, nullptr), sound::OK);
    auto pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    // The one open device; holding its lock holds its callback.
    SDL_AudioDeviceID device = 2;
    while (device < 32 && SDL_GetAudioDeviceStatus(device) != SDL_AUDIO_PLAYING)
        ++device;
    ASSERT_LT(device, 32u);
    pause(1000);

    // The stall: the device gets nothing for 500 ms while the show goes on.
    SDL_LockAudioDevice(device);
    pause(500);
    SDL_UnlockAudioDevice(device);
    pause(1000);

    // The stop: everything stands still for 500 ms and the clock leaves it out.
    stopped = true;
    SDL_LockAudioDevice(device);
    const long long stopAt = veko::ShowClock::monotonicMilliseconds();
    pause(500);
    standing += veko::ShowClock::monotonicMilliseconds() - stopAt;
    veko::ShowClock::noteContinued();
    stopped = false;
    SDL_UnlockAudioDevice(device);
    pause(1000);

    music->release();
    system->close();
    system->release();
    loop.stop();
    std::remove(heard.c_str());
    unsetenv("KAVRI_SOUND_LOG");
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    // One skip of the stall's size, and of the few buffers of silence the device gets after it
    // (while it would fill its queue); a busy machine may add smaller ones of its own (the disk
    // driver stalls too), never one the size of the stop.
    const std::string said = readFile(log);
    std::vector<long> large;
    for (size_t at = said.find("music skipped "); at != std::string::npos; at = said.find("music skipped ", at + 1)) {
        const long skipped = std::atol(said.c_str() + at + std::strlen("music skipped "));
        if (skipped >= 400)
            large.push_back(skipped);
    }
    ASSERT_EQ(large.size(), 1u) << said;
    EXPECT_GE(large[0], 500 - 60) << said;
    EXPECT_LE(large[0], 500 + 3 * 46 + 60) << said;
    std::remove(log.c_str());
    std::remove(tone.c_str());
}

TEST_F(SoundLibraryTest, ANamedPipeIsRefusedAtOnce)
{
    const std::string fifo = tempPath("pipe.ogg");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto opening = std::async(std::launch::async, [&] {
        sound::Sound* s = nullptr;
        return open(fifo, &s);
    });
    if (opening.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
        ADD_FAILURE() << "opening a named pipe blocks";
        while (opening.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));   // lets each waiting open go
    }
    EXPECT_EQ(opening.get(), sound::ERR_FILE_REFUSED);
    EXPECT_NE(std::string(system->why()).find("named pipe"), std::string::npos) << system->why();
    std::remove(fifo.c_str());
}

} // namespace
