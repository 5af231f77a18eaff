#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/capture/CaptureOptions.h"
#include "tools/capture/SceneTable.h"

using veko::CaptureCommandLine;
using veko::CaptureOptions;
using veko::SceneTable;

namespace {

struct Parsed {
    CaptureCommandLine::Result result;
    CaptureOptions options;
    std::string error;
};

Parsed parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "kavri-capture");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    Parsed parsed;
    parsed.result = CaptureCommandLine::parse(static_cast<int>(argv.size()), argv.data(), parsed.options, parsed.error);
    return parsed;
}

TEST(CaptureOptions, ShowDefaultsToTheWholeShowAtSixtyFps)
{
    Parsed p = parse({ "--frames", "out" });
    ASSERT_EQ(p.result, CaptureCommandLine::RUN) << p.error;
    EXPECT_EQ(p.options.sceneId, 0);
    EXPECT_EQ(p.options.fps, 60);
    EXPECT_EQ(p.options.from, 0.0);
    EXPECT_EQ(p.options.to, static_cast<double>(70.728f));
    EXPECT_FALSE(p.options.software);

    // A --to past the end is held at the end.
    p = parse({ "--video=a.mp4", "--to", "500", "--software", "--fps=25" });
    ASSERT_EQ(p.result, CaptureCommandLine::RUN) << p.error;
    EXPECT_EQ(p.options.to, static_cast<double>(70.728f));
    EXPECT_EQ(p.options.videoFile, "a.mp4");
    EXPECT_TRUE(p.options.software);
    EXPECT_EQ(p.options.fps, 25);
}

TEST(CaptureOptions, ScenesByIdClassNameOrShortNameInAnyCase)
{
    for (const char* name : { "1300", "EfxTown", "efxtown", "town", "TOWN" }) {
        Parsed p = parse({ "--scene", name, "--frames", "out" });
        ASSERT_EQ(p.result, CaptureCommandLine::RUN) << name << ": " << p.error;
        EXPECT_EQ(p.options.sceneId, 1300) << name;
    }
    // A scene's span defaults to its slot; the spiral ribbons have two, the unshown ones one.
    EXPECT_FLOAT_EQ(static_cast<float>(parse({ "--scene", "zigzag", "--frames", "o" }).options.to), 20.208f);
    EXPECT_FLOAT_EQ(static_cast<float>(parse({ "--scene", "1200", "--frames", "o" }).options.to), 10.104f);
    // A scene may run past the show's length.
    EXPECT_EQ(parse({ "--scene", "shape3", "--to", "90", "--frames", "o" }).options.to, 90.0);
}

TEST(CaptureOptions, SceneTableFollowsTheTimetable)
{
    const char* order[] = { "EfxTest", "EfxShape2", "EfxShape6", "EfxZigZag", "EfxShape5", "EfxShape4",
                            "EfxShape1", "EfxTown", "EfxShape3" };
    for (int i = 0; i < SceneTable::kCount; ++i)
        EXPECT_STREQ(SceneTable::at(i).name, order[i]);
    EXPECT_EQ(SceneTable::byId(1500)->start, 10.104f);
    EXPECT_EQ(SceneTable::byId(1500)->end, 20.208f);
    EXPECT_EQ(SceneTable::byId(1900)->end, 70.728f);
    EXPECT_EQ(SceneTable::byId(1600)->showOrder, 0);
    EXPECT_EQ(SceneTable::find("1234"), nullptr);
    EXPECT_EQ(SceneTable::find("efx"), nullptr);
}

TEST(CaptureOptions, BenchTakesOnlyRendererAndRate)
{
    Parsed p = parse({ "--bench", "--software", "--bench-frames", "12", "--fps", "30" });
    ASSERT_EQ(p.result, CaptureCommandLine::RUN) << p.error;
    EXPECT_TRUE(p.options.bench);
    EXPECT_EQ(p.options.benchFrames, 12);
    EXPECT_EQ(parse({ "--bench", "--scene", "town" }).result, CaptureCommandLine::FAILED);
    EXPECT_EQ(parse({ "--bench", "--frames", "x" }).result, CaptureCommandLine::FAILED);
}

TEST(CaptureOptions, ScaleLosslessOverwriteAndTheLongestSpan)
{
    Parsed p = parse({ "--scale", "3", "--lossless", "--overwrite", "--video", "m.MKV" });
    ASSERT_EQ(p.result, CaptureCommandLine::RUN) << p.error;
    EXPECT_EQ(p.options.scale, 3);
    EXPECT_TRUE(p.options.lossless);
    EXPECT_TRUE(p.options.overwrite);
    p = parse({ "--frames", "o" });
    EXPECT_EQ(p.options.scale, 1);
    EXPECT_FALSE(p.options.lossless || p.options.overwrite);
    EXPECT_EQ(parse({ "--lossless", "--video", "m.mp4" }).result, CaptureCommandLine::RUN);

    // A span longer than a capture can count is a bad option, and the line says so.
    p = parse({ "--scene", "town", "--to", "1e30", "--frames", "o" });
    ASSERT_EQ(p.result, CaptureCommandLine::FAILED);
    EXPECT_NE(p.error.find("too long"), std::string::npos) << p.error;
    EXPECT_EQ(parse({ "--scene", "town", "--fps", "1000", "--to", "999.999", "--frames", "o" }).result,
              CaptureCommandLine::RUN);
    EXPECT_EQ(parse({ "--scene", "town", "--fps", "1000", "--to", "1000.001", "--frames", "o" }).result,
              CaptureCommandLine::FAILED);
}

TEST(CaptureOptions, HelpWinsOverEverythingElse)
{
    EXPECT_EQ(parse({ "--help" }).result, CaptureCommandLine::HELP);
    EXPECT_EQ(parse({ "--fps", "30", "-h" }).result, CaptureCommandLine::HELP);
    const std::string usage = CaptureCommandLine::usage();
    for (const char* option : { "--scene", "--from", "--to", "--fps", "--frames", "--video", "--software", "--bench",
                                "--scale", "--lossless", "--overwrite", "crf 18", "FFV1" })
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

TEST(CaptureOptions, BadOptionsAndValuesGiveOneLine)
{
    const std::vector<std::vector<std::string>> bad = {
        {},                                          // nothing to write
        { "--frames" },                              // missing value
        { "--frames", "--software" },                // an option where the value should be
        { "--frames=" },
        { "--bogus", "--frames", "o" },
        { "stray", "--frames", "o" },
        { "--fps", "0", "--frames", "o" },
        { "--fps", "24.5", "--frames", "o" },
        { "--fps", "1001", "--frames", "o" },
        { "--from", "-1", "--frames", "o" },
        { "--from", "abc", "--frames", "o" },
        { "--to", "nan", "--frames", "o" },
        { "--from", "5", "--to", "5", "--frames", "o" },
        { "--from", "71", "--frames", "o" },         // past the show's end
        { "--scene", "town", "--from", "11", "--frames", "o" },   // past the scene's default end
        { "--scene", "nosuch", "--frames", "o" },
        { "--software=yes", "--frames", "o" },
        { "--bench-frames", "0", "--bench" },
        { "--scene", "town", "--to", "1e30", "--frames", "o" },   // more frames than can be counted
        { "--scale", "0", "--frames", "o" },
        { "--scale", "9", "--frames", "o" },
        { "--scale", "2.5", "--frames", "o" },
        { "--lossless", "--frames", "o" },                        // nothing lossless to write
        { "--lossless", "--video", "a.webm" },                    // no lossless codec chosen for it
    };
    for (const auto& args : bad) {
        Parsed p = parse(args);
        std::string joined;
        for (const std::string& arg : args)
            joined += arg + " ";
        EXPECT_EQ(p.result, CaptureCommandLine::FAILED) << joined;
        EXPECT_FALSE(p.error.empty()) << joined;
        EXPECT_EQ(p.error.find('\n'), std::string::npos) << joined;
    }
}

} // namespace
