// SPDX-License-Identifier: MIT
// Runs that go wrong, or are stopped: the capture ends soon, says truly what happened and
// never destroys a file it was not asked to replace.

#include "CaptureRun.h"

using namespace capture_run;

namespace {

const fs::path kData = KAVRI_DATA_DIR;

// True once the file a video is written under, beside its real name, is there.
bool waitForFileBeside(const fs::path& path, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    const std::string prefix = path.filename().string() + ".";
    while (std::chrono::steady_clock::now() < end) {
        for (const auto& entry : fs::directory_iterator(path.parent_path()))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// "codec_type=video", "nb_read_frames=..." and "duration=..." of each stream, in order.
std::vector<std::pair<std::string, std::string>> probeStreams(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> fields;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos)
            fields.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return fields;
}

TEST_F(CaptureRun, SigintAndSigtermStopTheCaptureWithinASecond)
{
    const fs::path frames = dir / "f";
    pid_t pid = start("--software --frames " + frames.string());
    ASSERT_TRUE(waitForFile(frames / "frame_000030.png", 30));
    kill(pid, SIGINT);
    EXPECT_EQ(waitExit(pid, 1.0), 130) << readFile(dir / "stderr");
    EXPECT_NE(readFile(dir / "stderr").find("SIGINT"), std::string::npos) << readFile(dir / "stderr");
    EXPECT_LT(std::distance(fs::directory_iterator(frames), fs::directory_iterator()), 4000);

    // A video is finished with what was captured: it plays, its sound as long as its pictures.
    const fs::path video = dir / "v.mp4";
    pid = start("--software --video " + video.string());
    ASSERT_TRUE(waitForFileBeside(video, 30));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid, 1.0), 143) << readFile(dir / "stderr");
    const std::string err = readFile(dir / "stderr");
    const auto streams = probeStreams(shell("ffprobe -v error -count_frames -show_entries "
                                            "stream=codec_type,duration,nb_read_frames -of default=noprint_wrappers=1 '" +
                                            video.string() + "'"));
    ASSERT_EQ(streams.size(), 6u) << err;
    EXPECT_EQ(streams[0].second, "video");
    const int frameCount = std::atoi(streams[2].second.c_str());
    EXPECT_GT(frameCount, 0);
    EXPECT_NE(err.find(std::to_string(frameCount) + " frames"), std::string::npos) << err;
    EXPECT_NEAR(std::atof(streams[1].second.c_str()), frameCount / 60.0, 0.02) << err;
    EXPECT_NEAR(std::atof(streams[4].second.c_str()), frameCount / 60.0, 0.1) << err;
}

TEST_F(CaptureRun, NeverWritesIntoTheDataFolderNorOverAnOutputUnasked)
{
    const std::string music = readFile(kMusic);
    ASSERT_FALSE(music.empty());
    const fs::path bin = fs::path(KAVRI_CAPTURE).parent_path();
    // Harmless cases come first: a build without the refusal stops at the first one.
    const std::vector<std::pair<std::string, std::string>> refused = {
        { "--video " + (kData / "kavri-capture-test.mp4").string(), "" },
        { "--frames " + (kData / "kavri-capture-test").string(), "" },
        { "--video ../data/stream/zaza.ogg", "cd '" + bin.string() + "' && " },
        { "--overwrite --video " + kMusic, "" },
    };
    for (const auto& run : refused) {
        const Result r = capture("--software --to 0.1 " + run.first, run.second);
        fs::remove_all(kData / "kavri-capture-test.mp4");
        fs::remove_all(kData / "kavri-capture-test");
        ASSERT_EQ(r.code, 2) << run.first << ": " << r.err;
        EXPECT_NE(r.err.find("data folder"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    EXPECT_EQ(readFile(kMusic), music);

    // A file that is there already stays unless --overwrite is given.
    const fs::path old = dir / "old.mp4";
    std::ofstream(old) << "keep";
    Result r = capture("--software --fps 10 --to 0.3 --video " + old.string());
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("--overwrite"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(old), "keep");
    r = capture("--software --fps 10 --to 0.3 --overwrite --video " + old.string());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(shell("ffprobe -v error -select_streams v -count_frames -show_entries stream=nb_read_frames "
                    "-of csv=p=0 '" + old.string() + "'"),
              "3\n");

    // In a frames folder, only the frames of the span count: more spans may be added.
    const std::string frames = " --frames " + (dir / "f").string();
    EXPECT_EQ(capture("--software --fps 10 --to 0.2" + frames).code, 0);
    fs::resize_file(dir / "f" / "frame_000001.png", 0);
    r = capture("--software --fps 10 --from 0.1 --to 0.3" + frames);
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("frame_000001.png"), std::string::npos) << r.err;
    EXPECT_EQ(fs::file_size(dir / "f" / "frame_000001.png"), 0u);
    EXPECT_EQ(capture("--software --fps 10 --from 0.2 --to 0.3" + frames).code, 0);
    EXPECT_EQ(capture("--software --fps 10 --from 0.1 --to 0.3 --overwrite" + frames).code, 0);
    EXPECT_GT(fs::file_size(dir / "f" / "frame_000001.png"), 0u);
}

TEST_F(CaptureRun, NoOutputNameReachesAFileOfTheDataFolderByLinkOrLeftover)
{
    copyData();
    const fs::path music = dir / "data" / "stream" / "zaza.ogg", texture = dir / "data" / "textures" / "veko.png";
    const std::string musicBytes = readFile(music), textureBytes = readFile(texture);
    fs::create_directories(dir / "f");
    fs::create_directories(dir / "g");
    // Other names for the show's own files: hard links and symbolic links.
    fs::create_hard_link(music, dir / "x.ogg");
    fs::create_hard_link(texture, dir / "f" / "frame_000000.png");
    fs::create_symlink(music, dir / "link.mp4");
    for (const std::string& args : { "--overwrite --video " + (dir / "x.ogg").string(),
                                     "--overwrite --frames " + (dir / "f").string(),
                                     "--overwrite --video " + (dir / "link.mp4").string() }) {
        const Result r = capture("--software --fps 10 --to 0.1 " + args, inCopy());
        EXPECT_EQ(r.code, 2) << args << ": " << r.err;
        EXPECT_NE(r.err.find("data folder"), std::string::npos) << args << ": " << r.err;
    }
    // A name the capture might write beside its output, left there as a link to the music.
    for (const char* leftover : { "frame_000000.png.part", "frame_000000.png.tmp", ".frame_000000.png" })
        fs::create_symlink(music, dir / "g" / leftover);
    Result r = capture("--software --fps 10 --to 0.1 --frames " + (dir / "g").string(), inCopy());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readFile(dir / "g" / "frame_000000.png").substr(1, 3), "PNG");
    EXPECT_TRUE(fs::is_symlink(dir / "g" / "frame_000000.png.part"));
    EXPECT_TRUE(readFile(music) == musicBytes);
    EXPECT_TRUE(readFile(texture) == textureBytes);
}

TEST_F(CaptureRun, AnOutputFolderFlippedIntoTheDataFolderWhileTheCaptureRunsGetsNothing)
{
    copyData();
    const auto listing = [this]() {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(dir / "data"))
            names.push_back(entry.path().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> before = listing();
    fs::create_directory(dir / "real");
    fs::create_symlink(dir / "real", dir / "out");
    // "out" points now at a folder of ours, now into the data folder, swapped in one step.
    std::atomic<bool> flipping(true);
    std::thread flipper([&]() {
        for (int i = 0; flipping; ++i) {
            std::error_code code;
            fs::create_symlink(i % 2 ? dir / "real" : dir / "data" / "textures", dir / "next", code);
            fs::rename(dir / "next", dir / "out", code);
        }
    });
    // Until three runs got past the first look at their outputs (a run that saw the data
    // folder there refuses at once, with exit code 2).
    for (int run = 0, started = 0; started < 3 && run < 16; ++run)
        started += capture("--software --fps 10 --to 1 --frames " + (dir / "out" / "f").string() + " --video " +
                               (dir / "out" / "v.mkv").string(),
                           inCopy()).code != 2;
    flipping = false;
    flipper.join();
    EXPECT_EQ(listing(), before);
}

TEST_F(CaptureRun, AFileMadeUnderTheOutputNameWhileTheCaptureRunsIsKept)
{
    // With an X display the capture draws with OpenGL, as most users run it.
    const char* display = std::getenv("DISPLAY");
    const std::string renderer = display && *display ? "" : "--software ";
    const fs::path video = dir / "v.mp4";
    for (const bool stop : { true, false }) {
        int code = 2;
        for (int attempt = 0; code == 2 && attempt < 20; ++attempt) {
            fs::remove(video);
            const pid_t pid = start(renderer + "--fps 10 --to 0.5 --video " + video.string());
            // Once the scenes load the name has been judged free: now another program takes
            // it, and the capture may be stopped while it loads.
            ASSERT_TRUE(waitForLoading(pid, 10));
            std::ofstream(video) << "another program's file";
            if (stop)
                kill(pid, SIGINT);
            code = waitExit(pid, 30);
        }
        const std::string err = readFile(dir / "stderr");
        EXPECT_EQ(code, stop ? 130 : 1) << err;
        EXPECT_EQ(readFile(video), "another program's file") << err;
        EXPECT_EQ(err.find("removed"), std::string::npos) << err;
    }
}

TEST_F(CaptureRun, AnOutputThatCannotBeWrittenWholeIsNeitherSuccessNorLeftUnderItsName)
{
    // A small file system fills, or a file-size limit is reached, before the video's end;
    // a frame over the file-size limit fails as a full disk does (frames before it stay).
    fs::create_directory(dir / "disk");
    const std::string run = "SDL_AUDIODRIVER=dummy '" + std::string(KAVRI_CAPTURE) +
                            "' --software --fps 10 --to 4 --video '" + (dir / "disk").string();
    const std::vector<std::pair<std::string, std::string>> cases = {
        { "mount -t tmpfs -o size=200k kavri-full '" + (dir / "disk").string() + "' || exit 99\n" + run + "/v.mp4'",
          "No space left on device" },
        { "mount -t tmpfs -o size=200k kavri-full '" + (dir / "disk").string() + "' || exit 99\n" + run + "/v.mkv'",
          "No space left on device" },
        { "ulimit -f 120\n" + run + "/v.mkv'", "" },
        { "ulimit -f 1\nSDL_AUDIODRIVER=dummy '" + std::string(KAVRI_CAPTURE) + "' --software --fps 10 --to 1 --frames '" +
              (dir / "disk").string() + "'", "File too large" },
    };
    for (const auto& c : cases) {
        std::ofstream(dir / "full.sh") << c.first << " 2>'" << (dir / "stderr").string() << "'\n"
                                       << "echo $? >'" << (dir / "code").string() << "'\n"
                                       << "ls -A '" << (dir / "disk").string() << "' >'" << (dir / "left").string()
                                       << "'\n";
        fs::remove(dir / "code");
        const int status = std::system(("unshare -rm sh '" + (dir / "full.sh").string() + "' 2>/dev/null").c_str());
        if (exitCode(status) == 99 || !fs::exists(dir / "code"))
            GTEST_SKIP() << "cannot mount a small file system here";
        const std::string err = readFile(dir / "stderr");
        EXPECT_EQ(readFile(dir / "code"), "1\n") << c.first << "\n" << err;
        EXPECT_NE(err.find(c.second), std::string::npos) << c.first << "\n" << err;
        EXPECT_EQ(readFile(dir / "left"), "") << c.first << "\n" << err;
    }
}

TEST_F(CaptureRun, NamesAndFfmpegsTextAreShownEscaped)
{
    const std::string hostile = "a\x1b]0;owned\x07\x1b[2J";
    const fs::path taken = dir / (hostile + ".mp4");
    std::ofstream(taken) << "taken";
    fs::create_directory(dir / "bin");
    std::ofstream(dir / "bin" / "ffmpeg") << "#!/bin/sh\nprintf 'bad \\033]0;owned\\007\\033[2J end\\n' >&2\nexit 1\n";
    fs::permissions(dir / "bin" / "ffmpeg", fs::perms::owner_all);
    const std::vector<std::pair<std::string, std::string>> runs = {
        { "--software --to 0.1 --video '" + taken.string() + "'", "" },
        { "'--" + hostile + "'", "" },
        { "--software --to 0.1 --frames '" + (dir / hostile / "f").string() + "' --video " + (dir / "v.mp4").string(),
          "PATH='" + (dir / "bin").string() + "':\"$PATH\" " },
    };
    for (const auto& run : runs) {
        const Result r = capture(run.first, run.second);
        EXPECT_NE(r.code, 0) << run.first;
        EXPECT_TRUE(terminalSafe(r.err)) << run.first << "\n" << r.err;
        EXPECT_NE(r.err.find("\\x1b"), std::string::npos) << run.first << "\n" << r.err;
    }
}

TEST_F(CaptureRun, AnFfmpegThatStopsIsToldAsItWas)
{
    // Stand-ins for ffmpeg that take a few frames and end, one way or another.
    fs::create_directory(dir / "bin");
    const std::vector<std::pair<std::string, std::string>> cases = {
        { "head -c 3000000 >/dev/null; exit 3", "exit code 3" },
        { "head -c 3000000 >/dev/null; kill -KILL $$", "signal 9" },
        { "echo 'out of tape' >&2; exit 1", "out of tape" },
    };
    for (const auto& c : cases) {
        std::ofstream(dir / "bin" / "ffmpeg") << "#!/bin/sh\n" << c.first << "\n";
        fs::permissions(dir / "bin" / "ffmpeg", fs::perms::owner_all);
        const Result r = capture("--software --fps 10 --to 2 --video " + (dir / "v.mp4").string(),
                                 "PATH='" + (dir / "bin").string() + "':\"$PATH\" ");
        EXPECT_EQ(r.code, 1) << c.first;
        EXPECT_NE(r.err.find(c.second), std::string::npos) << c.first << "\n" << r.err;
        EXPECT_EQ(r.err.find("above"), std::string::npos) << c.first << "\n" << r.err;
    }
}

TEST_F(CaptureRun, FramesOntoAFullDiskSayWhyAndLeaveNoPartialFile)
{
    // A small file system of its own, in a user and mount namespace, fills after a few frames.
    const fs::path disk = dir / "disk", kept = dir / "kept";
    fs::create_directory(disk);
    fs::create_directory(kept);
    std::ofstream(dir / "full.sh") << "mount -t tmpfs -o size=96k kavri-full '" << disk.string() << "' || exit 99\n"
                                   << "SDL_AUDIODRIVER=dummy '" << KAVRI_CAPTURE << "' --software --fps 10 --to 3 --frames '"
                                   << disk.string() << "' 2>'" << (dir / "stderr").string() << "'\n"
                                   << "echo $? >'" << (dir / "code").string() << "'\n"
                                   << "cp -a '" << disk.string() << "/.' '" << kept.string() << "/'\n";
    const int status = std::system(("unshare -rm sh '" + (dir / "full.sh").string() + "' 2>/dev/null").c_str());
    if (exitCode(status) == 99 || !fs::exists(dir / "code"))
        GTEST_SKIP() << "cannot mount a small file system here";
    const std::string err = readFile(dir / "stderr");
    EXPECT_EQ(readFile(dir / "code"), "1\n") << err;
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(kept)) {
        const std::string png = readFile(entry.path());
        EXPECT_EQ(entry.path().filename().string().rfind("frame_", 0), 0u) << entry.path();
        ASSERT_GT(png.size(), 12u) << entry.path();
        EXPECT_EQ(png.substr(1, 3), "PNG") << entry.path();
        EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND") << entry.path();
        ++files;
    }
    EXPECT_GT(files, 0);
}

} // namespace
