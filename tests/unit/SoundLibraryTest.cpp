#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "env/Env.h"
#include "platform/SoundLibrary.h"
#include "TestSupport.h"

namespace sound = veko::sound;

namespace {

std::string writeTempFile(const char* name, const std::string& bytes)
{
    std::string path = std::string(::testing::TempDir()) + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
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

TEST(EnvMusic, MissingMusicFileLeavesTheShowSilentAndStoppable)
{
    irr::IrrlichtDevice* device = testing_support::createNullDevice();
    ASSERT_NE(device, nullptr);
    veko::Env* env = new veko::Env(device);
    ::testing::internal::CaptureStderr();
    env->playMusic("..\\nowhere\\zaza.ogg");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("zaza.ogg"), std::string::npos);
    env->addTime(1.0f);
    env->stopMusic();
    delete env;
    device->drop();
}

} // namespace
