// SPDX-License-Identifier: MIT
// Runs of the kavri-capture program itself, with the software renderer unless said otherwise.

#include "CaptureRun.h"

#include "TestSupport.h"

using namespace capture_run;

namespace {

TEST_F(CaptureRun, BadOptionFailsWithOneLineAndNoFrames)
{
    for (const char* args : { "--fps 0 --frames x", "--scene nosuch --frames x", "--bogus", "", "--from 3 --to 2 --frames x" }) {
        const Result r = capture(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        ASSERT_FALSE(r.err.empty()) << args;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << args << ": " << r.err;
        EXPECT_EQ(r.err.rfind("kavri-capture: ", 0), 0u) << r.err;
    }
    EXPECT_FALSE(fs::exists("x"));
    const Result help = capture("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("--video FILE"), std::string::npos);
}

TEST_F(CaptureRun, SpanIsTheSameAsTheSameFramesOfTheWholeShowAndRunsRepeatExactly)
{
    // 4 fps keeps it short; the span crosses the switch from the tiles to the spiral ribbons
    // at 30.312 s and comes after the opening scene's star burst.
    const Result whole = capture("--software --fps 4 --frames " + (dir / "whole").string());
    ASSERT_EQ(whole.code, 0) << whole.err;
    EXPECT_EQ(pngNames(dir / "whole").size(), 283u);   // 0 .. 282/4 = 70.5 s

    const Result span = capture("--software --fps 4 --from 28 --to 32.5 --frames " + (dir / "span").string());
    ASSERT_EQ(span.code, 0) << span.err;
    EXPECT_EQ(span.err.find('\r'), std::string::npos) << "a progress bar, though standard error is a file";
    const std::vector<std::string> names = pngNames(dir / "span");
    ASSERT_EQ(names.size(), 18u);
    EXPECT_EQ(names.front(), "frame_000112.png");
    EXPECT_EQ(names.back(), "frame_000129.png");
    for (const std::string& name : names)
        EXPECT_EQ(readFile(dir / "span" / name), readFile(dir / "whole" / name)) << name;

    const Result again = capture("--software --fps 4 --from 28 --to 32.5 --frames " + (dir / "again").string());
    ASSERT_EQ(again.code, 0) << again.err;
    for (const std::string& name : names)
        EXPECT_EQ(readFile(dir / "again" / name), readFile(dir / "span" / name)) << name;
    // Frames differ from one another: time really moves.
    EXPECT_NE(readFile(dir / "span" / names[0]), readFile(dir / "span" / names[1]));
}

TEST_F(CaptureRun, ProgressBarOnATerminal)
{
    // script(1) gives the program a terminal and copies what it shows to our standard output.
    const std::string command = std::string("SDL_AUDIODRIVER=dummy script -qec \"'") + KAVRI_CAPTURE +
                                "' --software --fps 10 --to 1 --frames " + (dir / "f").string() + "\" /dev/null";
    const std::string screen = shell(command);
    EXPECT_NE(screen.find("10/10 frames"), std::string::npos) << screen;
    EXPECT_NE(screen.find(" fps "), std::string::npos) << screen;
    EXPECT_NE(screen.find("0:00 left"), std::string::npos) << screen;
}

TEST_F(CaptureRun, EveryScenePaintsAPictureTheNeverShownOnesToo)
{
    irr::IrrlichtDevice* device = testing_support::createNullDevice();
    ASSERT_NE(device, nullptr);
    for (const char* scene : { "1000", "1100", "1200", "1300", "1500", "1600", "1900", "2200", "2500" }) {
        const fs::path folder = dir / scene;
        const Result r = capture(std::string("--software --scene ") + scene + " --fps 10 --from 1.5 --to 1.6 --frames " +
                                 folder.string());
        ASSERT_EQ(r.code, 0) << scene << ": " << r.err;
        const fs::path png = folder / "frame_000015.png";
        ASSERT_TRUE(fs::exists(png)) << scene;
        irr::video::IImage* image = device->getVideoDriver()->createImageFromFile(png.c_str());
        ASSERT_NE(image, nullptr) << scene;
        EXPECT_EQ(image->getDimension(), irr::core::dimension2du(640, 480));
        // Count the distinct colours on a coarse grid: a picture, not a cleared screen.
        std::vector<irr::u32> colours;
        for (irr::u32 y = 0; y < 480; y += 16)
            for (irr::u32 x = 0; x < 640; x += 16) {
                const irr::u32 c = image->getPixel(x, y).color & 0xFFFFFF;
                if (std::find(colours.begin(), colours.end(), c) == colours.end())
                    colours.push_back(c);
            }
        EXPECT_GE(colours.size(), 3u) << scene;
        image->drop();
    }
    device->drop();
}

TEST_F(CaptureRun, VideoHasTheSpansFramesAndItsMusicInStep)
{
    const fs::path video = dir / "span.mp4";
    const Result r = capture("--software --fps 30 --from 20 --to 24 --video " + video.string());
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string probe = shell("ffprobe -v error -count_frames -show_entries stream=codec_type,nb_read_frames "
                                    "-show_entries format=duration -of default=noprint_wrappers=1 '" +
                                    video.string() + "'");
    EXPECT_NE(probe.find("codec_type=video\nnb_read_frames=120\n"), std::string::npos) << probe;
    const size_t at = probe.find("duration=");
    ASSERT_NE(at, std::string::npos) << probe;
    EXPECT_NEAR(std::atof(probe.c_str() + at + 9), 4.0, 0.05) << probe;

    if (!fs::exists(kMusic))
        GTEST_SKIP() << "no music in " << kMusic;
    EXPECT_NE(probe.find("codec_type=audio"), std::string::npos) << probe;
    const std::vector<std::int16_t> music = decodeMono("-i '" + kMusic + "'");
    expectMusicFrom(video, music, 20.0);

    // A scene's video has the music from where the show clock stands when it comes on:
    // the spiral ribbons at 30.312 s, a cut that falls between the file's Ogg pages.
    const fs::path scene = dir / "zigzag.mkv";
    const Result z = capture("--software --scene zigzag --fps 10 --to 2.5 --video " + scene.string());
    ASSERT_EQ(z.code, 0) << z.err;
    expectMusicFrom(scene, music, 30.312);
}

TEST_F(CaptureRun, OpenGLFramesUnderTheXDisplay)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "no X display";
    const Result r = capture("--fps 10 --from 8 --to 8.3 --frames " + (dir / "gl").string());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(pngNames(dir / "gl"), (std::vector<std::string>{ "frame_000080.png", "frame_000081.png", "frame_000082.png" }));
    // The opening scene's yellow stripes at 8 s show in the OpenGL picture.
    irr::IrrlichtDevice* device = testing_support::createNullDevice();
    irr::video::IImage* image = device->getVideoDriver()->createImageFromFile((dir / "gl" / "frame_000080.png").c_str());
    ASSERT_NE(image, nullptr);
    int yellow = 0;
    for (irr::u32 y = 0; y < 480; y += 4)
        for (irr::u32 x = 0; x < 640; x += 4) {
            const irr::video::SColor c = image->getPixel(x, y);
            yellow += c.getRed() > 200 && c.getGreen() > 200 && c.getBlue() < 60;
        }
    EXPECT_GT(yellow, 100);
    image->drop();
    device->drop();
}

TEST_F(CaptureRun, BenchPrintsEverySceneAgainstTheEmptyFrame)
{
    const Result r = capture("--bench --software --bench-frames 4");
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* name : { "empty frame", "EfxTest", "EfxZigZag", "EfxShape1", "EfxTown", "EfxShape2",
                              "EfxShape3", "EfxShape4", "EfxShape5", "EfxShape6", "Start-up", "Peak memory" })
        EXPECT_NE(r.out.find(name), std::string::npos) << name << "\n" << r.out;
    EXPECT_NE(r.out.find("| EfxTown | 1300 | never |"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("| EfxZigZag | 1100 | 4th, 30.312 to 50.520 s |"), std::string::npos) << r.out;
}

} // namespace
