#include "tools/capture/VideoEncoder.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tools/capture/CaptureDevice.h"

namespace veko {

namespace {

std::string seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

std::string extension(const std::string& file)
{
    std::string ext = std::filesystem::path(file).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// The upload copy: H.264 at a quality that survives a video site's own encoding, 4:2:0 as
// players expect, converted and tagged as BT.709 so that colours hold at HD sizes too.
const char* const kUploadVideo[] = { "-c:v", "libx264", "-preset", "superfast", "-crf", "18", nullptr };
const char* const kUploadAudio[] = { "-c:a", "aac", "-b:a", "192k", nullptr };
// AAC's priming samples put Matroska's sound out of step by some 30 ms; Vorbis has no such lag.
const char* const kUploadAudioMkv[] = { "-c:a", "libvorbis", "-q:a", "6", nullptr };
const char* const kUploadTags[] = { "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
                                    "-color_range", "tv", nullptr };
// The masters keep the RGB frames bit for bit. FLAC in MP4 is still "experimental" to ffmpeg 5.
const char* const kMasterMkv[] = { "-c:v", "ffv1", "-level", "3", "-pix_fmt", "gbrp", "-c:a", "flac", nullptr };
const char* const kMasterMp4[] = { "-c:v", "libx264rgb", "-qp", "0", "-preset", "veryfast", "-pix_fmt", "rgb24",
                                   "-c:a", "flac", "-strict", "-2", nullptr };

void append(std::vector<std::string>& args, const char* const* list)
{
    for (; *list; ++list)
        args.push_back(*list);
}

bool hasUploadCodecs(const std::string& file)
{
    const std::string ext = extension(file);
    return ext == ".mp4" || ext == ".mkv" || ext == ".mov" || ext == ".m4v";
}

// The last line of a text, and the text before it.
std::string lastLine(std::string& text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const size_t at = text.find_last_of('\n');
    const std::string line = at == std::string::npos ? text : text.substr(at + 1);
    text.erase(at == std::string::npos ? 0 : at + 1);
    return line;
}

} // namespace

VideoEncoder::VideoEncoder() : mChild(-1), mPipe(-1), mMessages(nullptr), mFramesTaken(0)
{
}

VideoEncoder::~VideoEncoder()
{
    std::string ignored;
    if (mChild > 0)
        finish(ignored);
    if (mMessages)
        std::fclose(mMessages);
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

bool VideoEncoder::hasLosslessCodecs(const std::string& file)
{
    const std::string ext = extension(file);
    return ext == ".mkv" || ext == ".mp4";
}

std::vector<std::string> VideoEncoder::arguments(const std::string& file, const Span& span, const std::string& music,
                                                 const Format& format)
{
    const double length = static_cast<double>(span.frames) / span.fps;
    std::vector<std::string> args = {
        "-hide_banner", "-nostdin", "-loglevel", "error", format.overwrite ? "-y" : "-n",
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
    // Nearest neighbour repeats each pixel exactly at a whole factor.
    const std::string scale = "scale=iw*" + std::to_string(format.scale) + ":ih*" + std::to_string(format.scale) +
                              ":flags=neighbor";
    if (format.lossless) {
        args.insert(args.end(), { "-vf", scale });
        append(args, extension(file) == ".mkv" ? kMasterMkv : kMasterMp4);
    } else {
        args.insert(args.end(), { "-vf", scale + ":out_color_matrix=bt709:out_range=tv,format=yuv420p" });
        if (hasUploadCodecs(file)) {
            append(args, kUploadVideo);
            if (!music.empty())
                append(args, extension(file) == ".mkv" ? kUploadAudioMkv : kUploadAudio);
        }
        append(args, kUploadTags);
    }
    // -shortest ends the sound with the last frame when a capture is stopped early.
    const std::vector<std::string> output = { "-t", seconds(length), "-shortest", file };
    args.insert(args.end(), output.begin(), output.end());
    return args;
}

bool VideoEncoder::start(const std::string& file, const Span& span, const std::string& music, const Format& format,
                         std::string& error)
{
    const std::vector<std::string> args = arguments(file, span, music, format);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("ffmpeg"));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    // What ffmpeg prints is kept and shown when it has ended, not across the progress bar.
    mMessages = std::tmpfile();
    int fds[2];
    if (!mMessages || pipe(fds) != 0) {
        error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }
    mFile = file;
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
        // A group of its own: Ctrl+C on the terminal reaches the capture, which then closes
        // the pipe so that ffmpeg finishes the file in its own time.
        setpgid(0, 0);
        std::signal(SIGPIPE, SIG_DFL);
        dup2(fds[0], STDIN_FILENO);
        dup2(fileno(mMessages), STDERR_FILENO);
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
            // ffmpeg has ended or is ending: say how, once it has.
            close(mPipe);
            mPipe = -1;
            int status = 0;
            while (waitpid(mChild, &status, 0) < 0 && errno == EINTR) {
            }
            mChild = -1;
            error = ending(status);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    ++mFramesTaken;
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
    error = ending(status);
    return error.empty();
}

void VideoEncoder::showMessages()
{
    std::fputs(mShown.c_str(), stderr);
    mShown.clear();
}

long long VideoEncoder::bytesWritten() const
{
    struct stat info;
    return !mFile.empty() && stat(mFile.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

std::string VideoEncoder::ending(int status)
{
    std::string text;
    if (mMessages) {
        std::fflush(mMessages);
        std::rewind(mMessages);
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, mMessages)) > 0)
            text.append(buffer, n);
        std::fclose(mMessages);
        mMessages = nullptr;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        mShown = text;
        return std::string();
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127 && text.empty())
        return "cannot run the ffmpeg program";
    const std::string last = lastLine(text);
    mShown = text;
    std::string how;
    if (WIFSIGNALED(status))
        how = "ffmpeg was ended by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    else
        how = "ffmpeg ended with exit code " + std::to_string(WEXITSTATUS(status));
    how += " after " + std::to_string(mFramesTaken) + " frames had been sent to it";
    return how + (last.empty() ? "; it printed nothing" : ": " + last);
}

} // namespace veko
