// SPDX-License-Identifier: MIT
// Outputs where archivists really work: sticks and shares mounted through FUSE, folders of
// other users, long names, every container, a full or read-only /tmp, nohup, a start in a
// folder that is gone. Whatever a user could write there with cp, the capture writes; and
// no spelling, view or mount of the show's data folder lets an output in.

#include "CaptureRun.h"

#include <fcntl.h>

#include <map>

using namespace capture_run;

namespace {

// Runs a shell command; true when it exits with code 0.
bool run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The standard output of a shell command, without its last line end.
std::string shellLine(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        pclose(pipe);
    }
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

std::string shellQuoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// FUSE mounts of a test, unmounted (and their loop devices let go) when it ends.
class Mounts {
public:
    ~Mounts()
    {
        for (auto at = mMounted.rbegin(); at != mMounted.rend(); ++at)
            run("umount " + shellQuoted(*at) + " 2>/dev/null || umount -l " + shellQuoted(*at) + " 2>/dev/null");
        for (const std::string& loop : mLoops)
            run("losetup -d " + loop + " 2>/dev/null");
    }

    static bool fuseAvailable()
    {
        const int fd = open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (fd >= 0)
            close(fd);
        return fd >= 0;
    }

    // An empty file system of that kind ("exfat" or "fat") at folder, as a stick is mounted
    // by a desktop without the kernel's driver: through FUSE. exfat-fuse takes only block
    // devices from root, so its image goes through a loop device.
    bool stick(const std::string& kind, const fs::path& folder, std::string& why)
    {
        fs::create_directories(folder);
        const fs::path image = folder.string() + ".img";
        if (!run("truncate -s 64M " + shellQuoted(image)))
            return fail(why, "cannot make an image");
        if (kind == "fat") {
            if (!run("mkfs.fat " + shellQuoted(image) + " >/dev/null") || !run("fusefat -o rw+ " + shellQuoted(image) + " " +
                                                                          shellQuoted(folder) + " >/dev/null 2>&1"))
                return fail(why, "cannot mount a FAT image through fusefat");
        } else {
            if (!run("mkfs.exfat " + shellQuoted(image) + " >/dev/null"))
                return fail(why, "cannot make an exFAT image");
            const std::string loop = shellLine("losetup -f --show " + shellQuoted(image) + " 2>/dev/null");
            if (loop.empty())
                return fail(why, "no loop device for the exFAT image");
            mLoops.push_back(loop);
            if (!run("mount.exfat-fuse " + loop + " " + shellQuoted(folder) + " >/dev/null 2>&1"))
                return fail(why, "cannot mount an exFAT image through exfat-fuse");
        }
        mMounted.push_back(folder.string());
        mSources[folder.string()] = kind == "fat" ? image.string() : mLoops.back();
        return true;
    }

    // The stick mounted at stick mounted once more, at again, as a second FUSE mount.
    bool again(const std::string& kind, const fs::path& stick, const fs::path& again, std::string& why)
    {
        fs::create_directories(again);
        const std::string source = shellQuoted(mSources[stick.string()]);
        if (!run((kind == "fat" ? "fusefat -o rw+ " : "mount.exfat-fuse ") + source + " " + shellQuoted(again) +
                 " >/dev/null 2>&1"))
            return fail(why, "cannot mount the " + kind + " stick a second time");
        mMounted.push_back(again.string());
        return true;
    }

    // folder, seen again at view through bindfs.
    bool view(const fs::path& folder, const fs::path& view, std::string& why)
    {
        fs::create_directories(view);
        if (!run("bindfs " + shellQuoted(folder) + " " + shellQuoted(view)))
            return fail(why, "cannot mount a bindfs view");
        mMounted.push_back(view.string());
        return true;
    }

private:
    static bool fail(std::string& why, const std::string& what)
    {
        why = what;
        return false;
    }

    std::vector<std::string> mMounted;
    std::vector<std::string> mLoops;
    std::map<std::string, std::string> mSources;   // mount point -> image or loop device
};

// The frames of the video's video stream, as ffprobe counts them (a transport stream
// lists its streams twice: once in their program).
std::string framesIn(const fs::path& video)
{
    return shellLine("ffprobe -v error -select_streams v -count_frames -show_entries "
                                 "stream=nb_read_frames -of default=nw=1:nk=1 " + shellQuoted(video) + " | head -n 1");
}

bool isPng(const fs::path& path)
{
    const std::string bytes = readFile(path);
    return bytes.size() > 8 && bytes.compare(1, 3, "PNG") == 0;
}

// Names left in a folder that are not the outputs: "*.part" files, and files FUSE hides
// while they are open though removed.
std::vector<std::string> leftovers(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".part") != std::string::npos || name.rfind(".fuse_hidden", 0) == 0)
            names.push_back(name);
    }
    return names;
}

TEST_F(CaptureRun, OutputsOnSticksThroughFuseArePutInPlaceAndNeverReplacedUnasked)
{
    if (!Mounts::fuseAvailable())
        GTEST_SKIP() << "/dev/fuse cannot be opened here";
    for (const std::string kind : { "exfat", "fat" }) {
        Mounts mounts;
        const fs::path stick = dir / kind;
        std::string why;
        ASSERT_TRUE(mounts.stick(kind, stick, why)) << why;
        const std::string frames = " --frames " + shellQuoted(stick / "f");
        const std::string video = " --video " + shellQuoted(stick / "v.mp4");
        Result r = capture("--software --fps 10 --to 0.2" + frames + video);
        EXPECT_EQ(r.code, 0) << kind << ": " << r.err;
        EXPECT_TRUE(isPng(stick / "f" / "frame_000001.png")) << kind;
        EXPECT_EQ(framesIn(stick / "v.mp4"), "2") << kind;
        // There now: kept unless replacing is asked for, and then replaced.
        r = capture("--software --fps 10 --to 0.3" + video);
        EXPECT_EQ(r.code, 2) << kind << ": " << r.err;
        EXPECT_NE(r.err.find("--overwrite"), std::string::npos) << kind << ": " << r.err;
        r = capture("--software --fps 10 --to 0.2" + frames);
        EXPECT_EQ(r.code, 2) << kind << ": " << r.err;
        r = capture("--software --fps 10 --to 0.3 --overwrite" + frames + video);
        EXPECT_EQ(r.code, 0) << kind << ": " << r.err;
        EXPECT_EQ(framesIn(stick / "v.mp4"), "3") << kind;
        EXPECT_TRUE(isPng(stick / "f" / "frame_000002.png")) << kind;
        EXPECT_TRUE(leftovers(stick).empty()) << kind;
        EXPECT_TRUE(leftovers(stick / "f").empty()) << kind;
        // A file another program makes under the name while the capture runs is kept.
        const fs::path taken = stick / "w.mp4";
        int code = 2;
        for (int attempt = 0; code == 2 && attempt < 20; ++attempt) {
            fs::remove(taken);
            const pid_t pid = start("--software --fps 10 --to 0.5 --video " + shellQuoted(taken));
            ASSERT_TRUE(waitForLoading(pid, 10));
            std::ofstream(taken) << "another program's file";
            code = waitExit(pid, 60);
        }
        EXPECT_EQ(code, 1) << kind << ": " << readFile(dir / "stderr");
        EXPECT_EQ(readFile(taken), "another program's file") << kind;
    }
}

TEST_F(CaptureRun, AFolderOneMayEnterButNotListTakesOutputs)
{
    // A share in another user's home: the home may be entered, not listed, and the user
    // running the capture (nobody) may write only in the share.
    fs::permissions(dir, fs::perms(0711));
    const fs::path home = dir / "home", share = home / "share";
    fs::create_directories(share);
    fs::permissions(home, fs::perms(0711));
    fs::permissions(share, fs::perms(0777));
    const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups env ";
    const Result r = capture("--software --fps 10 --to 0.2 --frames " + shellQuoted(share / "f") + " --video " +
                                 shellQuoted(share / "v.mkv"),
                             asNobody);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(isPng(share / "f" / "frame_000001.png"));
    EXPECT_EQ(framesIn(share / "v.mkv"), "2");
}

TEST_F(CaptureRun, ALongNameIsWrittenUnderItself)
{
    // 255 bytes, the most most file systems take, and 84 Japanese characters (252 bytes).
    std::string japanese;
    for (int i = 0; i < 84; ++i)
        japanese += "\xe6\x98\xa0";   // U+6620
    const std::vector<std::string> names = { std::string(251, 'a') + ".mp4", std::string(238, 'b') + ".mkv",
                                             japanese + ".ts" };
    for (const std::string& name : names) {
        const Result r = capture("--software --fps 10 --to 0.2 --video " + shellQuoted(dir / name));
        EXPECT_EQ(r.code, 0) << name.size() << " bytes: " << r.err;
        EXPECT_EQ(framesIn(dir / name), "2") << name.size() << " bytes";
    }
    EXPECT_TRUE(leftovers(dir).empty());
    // exFAT counts a name in UTF-16 characters, 255 at most: 253 characters are 753 bytes.
    if (!Mounts::fuseAvailable())
        GTEST_SKIP() << "/dev/fuse cannot be opened here";
    Mounts mounts;
    std::string why;
    ASSERT_TRUE(mounts.stick("exfat", dir / "stick", why)) << why;
    std::string longest;
    for (int i = 0; i < 250; ++i)
        longest += "\xe6\x98\xa0";
    longest += ".ts";
    const Result r = capture("--software --fps 10 --to 0.2 --video " + shellQuoted(dir / "stick" / longest));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(framesIn(dir / "stick" / longest), "2");
    EXPECT_TRUE(leftovers(dir / "stick").empty());
}

TEST_F(CaptureRun, EveryContainerIsCheckedAndAVideoIsNeverLostToACheckThatCouldNotRun)
{
    for (const char* ext : { ".ts", ".m2ts", ".mts", ".vob", ".mkv" }) {
        const fs::path video = dir / (std::string("v") + ext);
        const Result r = capture("--software --fps 10 --to 0.3 --video " + shellQuoted(video));
        EXPECT_EQ(r.code, 0) << ext << ": " << r.err;
        EXPECT_EQ(framesIn(video), "3") << ext << ": " << r.err;
    }
    // An ffprobe that cannot answer: the check did not run, which is said, and the video stays.
    fs::create_directory(dir / "bin");
    const std::vector<std::string> broken = { "kill -SEGV $$", "exit 0", "echo 'not a probe' >&2; exit 127" };
    for (const std::string& body : broken) {
        std::ofstream(dir / "bin" / "ffprobe") << "#!/bin/sh\n" << body << "\n";
        fs::permissions(dir / "bin" / "ffprobe", fs::perms::owner_all);
        const fs::path video = dir / "unchecked.mp4";
        fs::remove(video);
        const Result r = capture("--software --fps 10 --to 0.3 --video " + shellQuoted(video),
                                 "PATH=" + shellQuoted(dir / "bin") + ":\"$PATH\" ");
        EXPECT_EQ(framesIn(video), "3") << body << ": " << r.err;
        EXPECT_NE(r.err.find("not checked"), std::string::npos) << body << ": " << r.err;
        EXPECT_TRUE(leftovers(dir).empty()) << body;
    }
}

TEST_F(CaptureRun, AFullOrReadOnlyTmpLosesNothingAndScratchFilesFollowTmpdir)
{
    // In a mount namespace of its own, the test's folder is seen at /mnt, the build's at /srv
    // (it may live under /tmp itself), and /tmp is replaced.
    const fs::path build = fs::path(KAVRI_CAPTURE).parent_path().parent_path();
    const std::string program = "SDL_AUDIODRIVER=dummy /srv/" +
                                fs::path(KAVRI_CAPTURE).lexically_relative(build).string() +
                                " --software --fps 10 --to 1 ";
    const std::vector<std::pair<std::string, std::string>> cases = {
        { "mount -t tmpfs -o size=64k kavri-full /tmp || exit 99\n"
          "dd if=/dev/zero of=/tmp/fill bs=4k 2>/dev/null\n" + program + "--video /mnt/v.mp4",
          "full /tmp" },
        { "mount -t tmpfs -o ro kavri-ro /tmp || exit 99\nmkdir /mnt/scratch\nTMPDIR=/mnt/scratch " + program +
              "--video /mnt/v.mp4",
          "read-only /tmp and TMPDIR" },
    };
    for (const auto& c : cases) {
        fs::remove_all(dir / "scratch");
        fs::remove(dir / "v.mp4");
        std::ofstream(dir / "tmp.sh") << "mount --bind " << shellQuoted(dir) << " /mnt || exit 99\n"
                                      << "mount --bind " << shellQuoted(build) << " /srv || exit 99\n"
                                      << c.first << " 2>/mnt/stderr\necho $? >/mnt/code\n";
        fs::remove(dir / "code");
        const int status = std::system(("unshare -rm sh " + shellQuoted(dir / "tmp.sh") + " 2>/dev/null").c_str());
        if (exitCode(status) == 99 || !fs::exists(dir / "code"))
            GTEST_SKIP() << "cannot mount over /tmp here";
        const std::string err = readFile(dir / "stderr");
        EXPECT_EQ(readFile(dir / "code"), "0\n") << c.second << ": " << err;
        EXPECT_EQ(framesIn(dir / "v.mp4"), "10") << c.second << ": " << err;
        if (fs::exists(dir / "scratch")) {
            EXPECT_TRUE(fs::is_empty(dir / "scratch")) << c.second;
        }
    }
}

TEST_F(CaptureRun, AnIgnoredHangupStaysIgnored)
{
    // nohup kavri-capture ... &: logging out does not stop it, in the capture nor in ffmpeg.
    const fs::path video = dir / "v.mp4";
    const pid_t pid = start("--software --fps 10 --to 2 --video " + shellQuoted(video), "trap '' HUP; ");
    ASSERT_TRUE(waitForLoading(pid, 30));
    kill(pid, SIGHUP);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(pid, SIGHUP);
    EXPECT_EQ(waitExit(pid, 60), 0) << readFile(dir / "stderr");
    EXPECT_EQ(framesIn(video), "20") << readFile(dir / "stderr");
}

TEST_F(CaptureRun, EveryStartUpErrorIsOneLineWithExitCodeOneOrTwo)
{
    fs::create_directory(dir / "gone");
    std::ofstream(dir / "file") << "a file";
    const std::string inGone = "cd " + shellQuoted(dir / "gone") + " && rmdir " + shellQuoted(dir / "gone") + " && ";
    const std::vector<std::pair<std::string, std::string>> runs = {
        { "--video v.mp4", inGone },
        { "--frames f", inGone },
        { "--frames f --video v.mkv", inGone },
        { "--frames " + shellQuoted(dir / "file" / "f"), "" },
        { "--video " + shellQuoted(dir / "file" / "v.mp4"), "" },
    };
    for (const auto& run : runs) {
        fs::create_directory(dir / "gone");
        const Result r = capture("--software --fps 10 --to 0.1 " + run.first, run.second);
        EXPECT_TRUE(r.code == 1 || r.code == 2) << run.first << ": " << r.code << " " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << run.first << ": " << r.err;
    }
}

TEST_F(CaptureRun, NoSpellingViewOrMountOfTheDataFolderOnAStickTakesAnOutput)
{
    if (!Mounts::fuseAvailable())
        GTEST_SKIP() << "/dev/fuse cannot be opened here";
    for (const std::string kind : { "exfat", "fat" }) {
        Mounts mounts;
        const fs::path stick = dir / kind, view = dir / (kind + "-view"), again = dir / (kind + "-again");
        std::string why;
        ASSERT_TRUE(mounts.stick(kind, stick, why)) << why;
        fs::create_directories(stick / "bin");
        // As a user copies it: fusefat cannot take the copy's permissions.
        ASSERT_TRUE(run("cp -r '" + std::string(KAVRI_DATA_DIR) + "' " + shellQuoted(stick / "data")));
        ASSERT_TRUE(mounts.view(stick / "data", view, why)) << why;
        ASSERT_TRUE(mounts.again(kind, stick, again, why)) << why;
        fs::create_symlink(stick / "DATA" / "STREAM" / "ZAZA.OGG", dir / (kind + "-link.mp4"));
        const std::string music = readFile(stick / "data" / "stream" / "zaza.ogg");
        const auto listing = [&stick]() {
            std::vector<std::string> names;
            for (const auto& entry : fs::recursive_directory_iterator(stick / "data"))
                names.push_back(entry.path().string() + " " +
                                (entry.is_regular_file() ? std::to_string(entry.file_size()) : std::string("/")));
            std::sort(names.begin(), names.end());
            return names;
        };
        const std::vector<std::string> before = listing();
        const std::vector<std::string> outputs = {
            "--overwrite --video " + shellQuoted(stick / "DATA" / "STREAM" / "ZAZA.OGG"),
            "--overwrite --video " + shellQuoted(stick / "Data" / "stream" / "Zaza.ogg"),
            "--overwrite --frames " + shellQuoted(stick / "DATA" / "FRAMES"),
            "--frames " + shellQuoted(stick / "DATA" / "FRAMES"),
            "--frames " + shellQuoted(stick / "data" / "TEXTURES"),
            "--video " + shellQuoted(stick / "DATA" / "new.mp4"),
            "--frames " + shellQuoted(view),
            "--frames " + shellQuoted(view / "f"),
            "--overwrite --video " + shellQuoted(view / "stream" / "zaza.ogg"),
            "--overwrite --video " + shellQuoted(view / "STREAM" / "zaza.ogg"),
            "--overwrite --video " + shellQuoted(dir / (kind + "-link.mp4")),
            "--frames " + shellQuoted(again / "data"),
            "--frames " + shellQuoted(again / "data" / "f"),
            "--overwrite --video " + shellQuoted(again / "data" / "stream" / "zaza.ogg"),
        };
        for (const std::string& output : outputs) {
            const Result r = capture("--software --fps 10 --to 0.1 " + output, "cd " + shellQuoted(stick / "bin") + " && ");
            EXPECT_EQ(r.code, 2) << kind << " " << output << ": " << r.err;
            EXPECT_NE(r.err.find("data folder"), std::string::npos) << kind << " " << output << ": " << r.err;
        }
        EXPECT_EQ(listing(), before) << kind;
        EXPECT_TRUE(readFile(stick / "data" / "stream" / "zaza.ogg") == music) << kind;
        // The stick itself, beside the data folder, takes outputs.
        const Result r = capture("--software --fps 10 --to 0.1 --frames " + shellQuoted(stick / "DATAFRAMES"),
                                 "cd " + shellQuoted(stick / "bin") + " && ");
        EXPECT_EQ(r.code, 0) << kind << ": " << r.err;
    }
    // A bindfs view of a data folder on the machine's own disk.
    copyData();
    Mounts mounts;
    std::string why;
    ASSERT_TRUE(mounts.view(dir / "data", dir / "view", why)) << why;
    for (const std::string& output : { "--frames " + shellQuoted(dir / "view"),
                                       "--frames " + shellQuoted(dir / "view" / "textures"),
                                       "--overwrite --video " + shellQuoted(dir / "view" / "stream" / "zaza.ogg") }) {
        const Result r = capture("--software --fps 10 --to 0.1 " + output, inCopy());
        EXPECT_EQ(r.code, 2) << output << ": " << r.err;
        EXPECT_NE(r.err.find("data folder"), std::string::npos) << output << ": " << r.err;
    }
}

} // namespace
