#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ShowCommandLine.h"

namespace {

using veko::ShowCommandLine;

ShowCommandLine::Result parse(std::vector<std::string> args, veko::ShowOptions& options, std::string& error)
{
    args.insert(args.begin(), "kavri");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    return ShowCommandLine::parse(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(ShowCommandLine, OptionsAndTheirAnswers)
{
    struct Case {
        std::vector<std::string> args;
        ShowCommandLine::Result result;
        bool windowed;
    };
    const Case cases[] = {
        {{}, ShowCommandLine::RUN, false},
        {{"--window"}, ShowCommandLine::RUN, true},
        {{"--help"}, ShowCommandLine::HELP, false},
        {{"--window", "-h"}, ShowCommandLine::HELP, true},
        {{"--version"}, ShowCommandLine::VERSION, false},
        {{"--fullscreen"}, ShowCommandLine::FAILED, false},
        {{"--window=1"}, ShowCommandLine::FAILED, false},
        {{"show"}, ShowCommandLine::FAILED, false},
    };
    for (const Case& c : cases) {
        veko::ShowOptions options;
        std::string error;
        const std::string args = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(parse(c.args, options, error), c.result) << args;
        EXPECT_EQ(options.windowed, c.windowed) << args;
        if (c.result == ShowCommandLine::FAILED) {
            EXPECT_NE(error.find(c.args.back()), std::string::npos) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        }
    }
    EXPECT_NE(std::string(ShowCommandLine::usage()).find("--window"), std::string::npos);
    const std::string version = ShowCommandLine::version();
    EXPECT_EQ(version.rfind("kavri 1.", 0), 0u) << version;
    EXPECT_EQ(version.find('\n'), version.size() - 1) << version;
}

TEST(ShowCommandLine, ScalingAndVideoModeOptions)
{
    struct Case {
        std::vector<std::string> args;
        ShowCommandLine::Result result;
        bool windowed, pixelPerfect, modeSwitch;
    };
    const Case cases[] = {
        {{}, ShowCommandLine::RUN, false, false, false},
        {{"--pixel-perfect"}, ShowCommandLine::RUN, false, true, false},
        {{"--window", "--pixel-perfect"}, ShowCommandLine::RUN, true, true, false},
        {{"--mode-switch"}, ShowCommandLine::RUN, false, false, true},
        {{"--mode-switch", "--pixel-perfect"}, ShowCommandLine::RUN, false, true, true},
        {{"--window", "--mode-switch"}, ShowCommandLine::FAILED, true, false, true},
    };
    for (const Case& c : cases) {
        veko::ShowOptions options;
        std::string error;
        const std::string args = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(parse(c.args, options, error), c.result) << args;
        EXPECT_EQ(options.windowed, c.windowed) << args;
        EXPECT_EQ(options.pixelPerfect, c.pixelPerfect) << args;
        EXPECT_EQ(options.modeSwitch, c.modeSwitch) << args;
        if (c.result == ShowCommandLine::FAILED) {
            EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        }
    }
    const std::string usage = ShowCommandLine::usage();
    for (const char* word : { "--pixel-perfect", "--mode-switch", "primary", "pointer" })
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

} // namespace
