// SPDX-License-Identifier: MIT
// The fixture for runs of the kavri-capture program itself: a folder of its own per test,
// the program run with arguments, and ffmpeg's view of what it wrote.
#ifndef KAVRI_CAPTURE_RUN_H
#define KAVRI_CAPTURE_RUN_H

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace capture_run {

namespace fs = std::filesystem;


inline const std::string kMusic = std::string(KAVRI_DATA_DIR) + "/stream/zaza.ogg";

struct Result {
    int code;
    std::string out;
    std::string err;
};

inline std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// True once the file is there; false when it is not within the time given.
inline bool waitForFile(const fs::path& path, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!fs::exists(path)) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

inline int exitCode(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A folder of its own for each test, removed afterwards.
class CaptureRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/kavri-capture-test-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override
    {
        closeLoadingWatch();
        fs::remove_all(dir);
    }

    // shellPrefix goes before the command, e.g. "cd /somewhere && " or "PATH=... ".
    Result capture(const std::string& args, const std::string& shellPrefix = "")
    {
        const std::string out = (dir / "stdout").string(), err = (dir / "stderr").string();
        const std::string command = shellPrefix + "SDL_AUDIODRIVER=dummy '" + KAVRI_CAPTURE + "' " + args + " >" +
                                    out + " 2>" + err + " </dev/null";
        const int status = std::system(command.c_str());
        return { exitCode(status), readFile(out), readFile(err) };
    }

    // Starts the program without waiting; its output goes to dir/stdout and dir/stderr.
    pid_t start(const std::string& args, const std::string& shellPrefix = "")
    {
        watchForLoading();
        const std::string command = shellPrefix + "exec '" + KAVRI_CAPTURE + "' " + args + " >'" +
                                    (dir / "stdout").string() + "' 2>'" + (dir / "stderr").string() + "' </dev/null";
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    }

    // The exit code of a started program, or -1 when it is still running after the time
    // given (it is killed then) or ended by a signal.
    static int waitExit(pid_t pid, double seconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return exitCode(status);
    }

    // Runs a shell command (ffmpeg, ffprobe) and gives its standard output.
    static std::string shell(const std::string& command)
    {
        std::string output;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return output;
        char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        pclose(pipe);
        return output;
    }

    static std::vector<std::int16_t> decodeMono(const std::string& inputOptions)
    {
        const std::string bytes = shell("ffmpeg -v quiet -nostdin " + inputOptions + " -ac 1 -ar 8000 -f s16le -");
        std::vector<std::int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }

    // The video's sound is the music from musicStart on: each half second compared with
    // every nearby offset into the music matches best at no offset at all.
    static void expectMusicFrom(const fs::path& video, const std::vector<std::int16_t>& music, double musicStart);

    // A copy of the data folder at dir/data and an empty dir/bin beside it: run with
    // inCopy() first, the program takes the copy for the show's data folder, so a test may
    // aim at it without any risk to the real one.
    void copyData()
    {
        fs::create_directories(dir / "bin");
        fs::copy(KAVRI_DATA_DIR, dir / "data", fs::copy_options::recursive);
    }
    std::string inCopy() const { return "cd '" + (dir / "bin").string() + "' && "; }

    // True once the program started last opens a file of the data folder, i.e. its scenes
    // load. The data folder's files are read whole and closed at once, so the opens are
    // watched (armed before the program starts) rather than looked for among its open files.
    bool waitForLoading(pid_t pid, double seconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (mLoadingWatch >= 0 && std::chrono::steady_clock::now() < end && !gone(pid)) {
            pollfd ready = { mLoadingWatch, POLLIN, 0 };
            if (poll(&ready, 1, 5) <= 0)
                continue;
            // A file in one of the folders; the folders themselves are opened when the
            // capture looks the data folder over, before it loads anything.
            alignas(inotify_event) char events[4096];
            const ssize_t length = read(mLoadingWatch, events, sizeof events);
            for (ssize_t at = 0; at < length;) {
                const inotify_event* event = reinterpret_cast<const inotify_event*>(events + at);
                if (event->len > 0 && !(event->mask & IN_ISDIR))
                    return true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return false;
    }

    // True when no process of that id is there any more (zombies count as gone).
    static bool gone(pid_t pid)
    {
        const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
        const size_t paren = stat.rfind(')');
        return stat.empty() || (paren != std::string::npos && stat.compare(paren + 2, 1, "Z") == 0);
    }

    // Only printable text and line ends: no escape sequence reaches the terminal.
    static bool terminalSafe(const std::string& text)
    {
        return std::none_of(text.begin(), text.end(), [](char c) {
            const unsigned char u = static_cast<unsigned char>(c);
            return (u < 0x20 && u != '\n') || u == 0x7f;
        });
    }

    std::vector<std::string> pngNames(const fs::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;

private:
    void watchForLoading()
    {
        closeLoadingWatch();
        mLoadingWatch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        for (const char* folder : { "/textures", "/models", "/stream" })
            inotify_add_watch(mLoadingWatch, (fs::canonical(KAVRI_DATA_DIR).string() + folder).c_str(), IN_OPEN);
    }
    void closeLoadingWatch()
    {
        if (mLoadingWatch >= 0)
            close(mLoadingWatch);
        mLoadingWatch = -1;
    }

    int mLoadingWatch = -1;
};

inline double correlation(const std::vector<std::int16_t>& a, size_t aStart, const std::vector<std::int16_t>& b,
                   size_t bStart, size_t count)
{
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < count; ++i) {
        const double x = a[aStart + i], y = b[bStart + i];
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

inline void CaptureRun::expectMusicFrom(const fs::path& video, const std::vector<std::int16_t>& music, double musicStart)
{
    const std::vector<std::int16_t> sound = decodeMono("-i '" + video.string() + "' -map 0:a");
    ASSERT_GE(sound.size(), 8000u * 2) << video;
    const size_t window = 4000;
    for (size_t videoAt = 4000; videoAt + window <= sound.size(); videoAt += 8000) {
        const size_t musicAt = static_cast<size_t>(std::lround(musicStart * 8000)) + videoAt;
        ASSERT_LE(musicAt + window + 400, music.size());
        const double inStep = correlation(sound, videoAt, music, musicAt, window);
        EXPECT_GT(inStep, 0.95) << video << " at " << videoAt;
        for (int lag = -400; lag <= 400; lag += 4) {
            if (std::abs(lag) >= 8) {
                EXPECT_LT(correlation(sound, videoAt, music, musicAt + lag, window), inStep)
                    << video << " at " << videoAt << ", lag " << lag;
            }
        }
    }
}

} // namespace capture_run

#endif
