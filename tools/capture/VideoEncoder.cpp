#include "tools/capture/VideoEncoder.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/capture/CaptureDevice.h"

namespace veko {

namespace {

std::string seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

} // namespace

VideoEncoder::VideoEncoder() : mChild(-1), mPipe(-1)
{
}

VideoEncoder::~VideoEncoder()
{
    std::string ignored;
    if (mChild > 0)
        finish(ignored);
}

bool VideoEncoder::available()
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t begin = 0;
    while (begin <= dirs.size()) {
        size_t end = dirs.find(':', begin);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = dirs.substr(begin, end - begin);
        const std::string candidate = (dir.empty() ? "." : dir) + "/ffmpeg";
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

std::vector<std::string> VideoEncoder::arguments(const std::string& file, const Span& span, const std::string& music)
{
    const double length = static_cast<double>(span.frames) / span.fps;
    std::vector<std::string> args = {
        "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgb24",
        "-video_size", std::to_string(CaptureDevice::kWidth) + "x" + std::to_string(CaptureDevice::kHeight),
        "-framerate", std::to_string(span.fps), "-i", "pipe:0",
    };
    if (!music.empty()) {
        // The show loops its music; read it looped past the span's end, then keep the span.
        // The span is counted in decoded samples, as the music plays, not by the file's
        // packet times, which Ogg gives only approximately between pages.
        const std::string trim = "asetpts=N/SR/TB,atrim=start=" + seconds(span.start) + ":duration=" +
                                 seconds(length) + ",asetpts=PTS-STARTPTS";
        const std::vector<std::string> audio = {
            "-stream_loop", "-1", "-t", seconds(span.start + length + 1.0), "-i", music,
            "-map", "0:v", "-map", "1:a", "-af", trim,
        };
        args.insert(args.end(), audio.begin(), audio.end());
    }
    const std::vector<std::string> output = { "-pix_fmt", "yuv420p", "-t", seconds(length), file };
    args.insert(args.end(), output.begin(), output.end());
    return args;
}

bool VideoEncoder::start(const std::string& file, const Span& span, const std::string& music, std::string& error)
{
    const std::vector<std::string> args = arguments(file, span, music);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("ffmpeg"));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }
    // A failing ffmpeg shows as a failed write, not as a signal that ends the capture.
    std::signal(SIGPIPE, SIG_IGN);
    mChild = fork();
    if (mChild < 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (mChild == 0) {
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        close(fds[1]);
        execvp("ffmpeg", argv.data());
        _exit(127);
    }
    close(fds[0]);
    mPipe = fds[1];
    return true;
}

bool VideoEncoder::write(const std::vector<std::uint8_t>& rgb, std::string& error)
{
    size_t done = 0;
    while (done < rgb.size()) {
        const ssize_t n = ::write(mPipe, rgb.data() + done, rgb.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = "ffmpeg stopped taking frames (see its message above)";
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool VideoEncoder::finish(std::string& error)
{
    if (mPipe >= 0)
        close(mPipe);
    mPipe = -1;
    if (mChild <= 0)
        return true;
    int status = 0;
    while (waitpid(mChild, &status, 0) < 0 && errno == EINTR) {
    }
    mChild = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
        error = "cannot run the ffmpeg program";
    else
        error = "ffmpeg failed to write the video (see its message above)";
    return false;
}

} // namespace veko
