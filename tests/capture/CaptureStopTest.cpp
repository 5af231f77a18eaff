// SPDX-License-Identifier: MIT
// SIGINT, SIGTERM and SIGHUP stop a capture in every phase within two seconds: while the
// scenes load, while frames are drawn, while a write to ffmpeg waits, while ffmpeg finishes.
// The exit code tells the signal, and no process of the capture's is left behind.

#include "CaptureRun.h"

using namespace capture_run;

namespace {

pid_t pidIn(const fs::path& file)
{
    return static_cast<pid_t>(std::atol(readFile(file).c_str()));
}

TEST_F(CaptureRun, EverySignalStopsEveryPhaseWithinTwoSeconds)
{
    const fs::path frames = dir / "f";
    // Loading: the software renderer's console device must not take the signal for itself.
    for (const int signal : { SIGINT, SIGTERM, SIGHUP }) {
        const pid_t pid = start("--software --frames " + frames.string());
        ASSERT_TRUE(waitForLoading(pid, 10));
        kill(pid, signal);
        EXPECT_EQ(waitExit(pid, 2.0), 128 + signal) << strsignal(signal) << "\n" << readFile(dir / "stderr");
        EXPECT_NE(readFile(dir / "stderr").find(signal == SIGHUP ? "SIGHUP" : signal == SIGINT ? "SIGINT" : "SIGTERM"),
                  std::string::npos) << readFile(dir / "stderr");
    }
    // Drawing: a closed terminal ends a capture as Ctrl+C does.
    fs::remove_all(frames);
    pid_t pid = start("--software --frames " + frames.string());
    ASSERT_TRUE(waitForFile(frames / "frame_000010.png", 30));
    kill(pid, SIGHUP);
    EXPECT_EQ(waitExit(pid, 2.0), 129) << readFile(dir / "stderr");

    // ffmpeg stand-ins, each with a child of its own, that stop taking frames or never end.
    fs::create_directory(dir / "bin");
    const std::string path = "PATH='" + (dir / "bin").string() + "':\"$PATH\" ";
    const std::string child = "sleep 60 & echo $! >'" + (dir / "child").string() + "'\n";
    const std::vector<std::pair<std::string, int>> stalls = {
        { child + "touch '" + (dir / "ready").string() + "'; wait", SIGTERM },                 // never reads
        { child + "touch '" + (dir / "ready").string() + "'; kill -STOP $$", SIGINT },        // stopped
        { child + "cat >/dev/null; touch '" + (dir / "ready").string() + "'; wait", SIGHUP }, // never finishes
    };
    for (const auto& stall : stalls) {
        fs::remove(dir / "ready");
        std::ofstream(dir / "bin" / "ffmpeg") << "#!/bin/sh\necho $$ >'" << (dir / "ffmpeg").string() << "'\n"
                                              << stall.first << "\n";
        fs::permissions(dir / "bin" / "ffmpeg", fs::perms::owner_all);
        const fs::path video = dir / "v.mkv";
        pid = start("--software --fps 10 --to 0.5 --video " + video.string(), path);
        ASSERT_TRUE(waitForFile(dir / "ready", 30)) << stall.first;
        kill(pid, stall.second);
        EXPECT_EQ(waitExit(pid, 2.0), 128 + stall.second) << stall.first << "\n" << readFile(dir / "stderr");
        // Whatever ffmpeg started ends with it; nothing is left under the video's name.
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (!(gone(pidIn(dir / "ffmpeg")) && gone(pidIn(dir / "child"))) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(gone(pidIn(dir / "ffmpeg"))) << stall.first;
        EXPECT_TRUE(gone(pidIn(dir / "child"))) << stall.first;
        kill(pidIn(dir / "ffmpeg"), SIGKILL);
        kill(pidIn(dir / "child"), SIGKILL);
        EXPECT_FALSE(fs::exists(video)) << stall.first;
    }
}

} // namespace
