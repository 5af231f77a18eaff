// SPDX-License-Identifier: MIT
// The video's music is the file the capture checked: whatever stands at the music's name
// when ffmpeg starts, ffmpeg never opens that name itself.

#include "CaptureRun.h"

using namespace capture_run;

TEST_F(CaptureRun, MusicThatIsNoFileNeverReachesFfmpeg)
{
    const auto hasSound = [](const fs::path& video) {
        return shell("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 '" + video.string() + "'")
                   .find("audio") != std::string::npos;
    };
    copyData();
    const fs::path music = dir / "data" / "stream" / "zaza.ogg", kept = dir / "zaza.ogg";
    fs::rename(music, kept);
    const fs::path video = dir / "v.mkv";
    // A run that waits on a pipe is cut off: a hang shows as exit code 124.
    const std::string run = "--software --fps 10 --to 2.5 --video " + video.string();
    const std::string limit = "timeout -k 2 60 env ";

    // A named pipe, or a link to one, at the music's name: the video has no sound, and says why.
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const bool link : { false, true }) {
        fs::remove(music);
        if (link)
            fs::create_symlink(dir / "fifo", music);
        else
            ASSERT_EQ(mkfifo(music.c_str(), 0600), 0);
        fs::remove(video);
        const Result r = capture(run, inCopy() + limit);
        EXPECT_EQ(r.code, 0) << (link ? "link: " : "pipe: ") << r.err;
        EXPECT_NE(r.err.find("named pipe"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("no sound"), std::string::npos) << r.err;
        EXPECT_FALSE(hasSound(video)) << (link ? "link" : "pipe");
    }

    // The music is checked, then swapped for a pipe just before ffmpeg starts (by a stand-in
    // that swaps it and runs the real ffmpeg): the video still has the checked music.
    fs::remove(music);
    fs::copy_file(kept, music);
    const std::string ffmpeg = shell("command -v ffmpeg");
    ASSERT_FALSE(ffmpeg.empty());
    fs::create_directory(dir / "swap");
    std::ofstream(dir / "swap" / "ffmpeg") << "#!/bin/sh\nmv '" << music.string() << "' '" << (dir / "old.ogg").string()
                                           << "' && mkfifo '" << music.string() << "' || exit 3\nexec "
                                           << ffmpeg.substr(0, ffmpeg.find('\n')) << " \"$@\"\n";
    fs::permissions(dir / "swap" / "ffmpeg", fs::perms::owner_all);
    fs::remove(video);
    const Result r = capture(run, inCopy() + "PATH='" + (dir / "swap").string() + "':\"$PATH\" " + limit);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(fs::status(music).type(), fs::file_type::fifo);
    ASSERT_TRUE(hasSound(video));
    expectMusicFrom(video, decodeMono("-i '" + kept.string() + "'"), 0.0);
}
