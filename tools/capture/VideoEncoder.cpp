#include "tools/capture/VideoEncoder.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
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
#include <initializer_list>
#include <map>
#include <sstream>
#include <thread>

#include "tools/capture/CaptureDevice.h"
#include "tools/capture/CaptureReport.h"
#include "tools/capture/StopSignal.h"

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

bool onPath(const char* program)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t begin = 0;
    while (begin <= dirs.size()) {
        size_t end = dirs.find(':', begin);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = dirs.substr(begin, end - begin);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

// What ffmpeg prints when the file was cut short, though it may still exit with code 0.
const char* const kCutShort[] = { "Error writing trailer", "Error closing file", "No space left on device",
                                  "File too large", "Disk quota exceeded", "Input/output error", nullptr };

std::string cutShortLine(const std::string& text)
{
    for (const char* const* sign = kCutShort; *sign; ++sign) {
        const size_t at = text.find(*sign);
        if (at != std::string::npos) {
            const size_t begin = text.rfind('\n', at);
            const size_t end = text.find('\n', at);
            return text.substr(begin == std::string::npos ? 0 : begin + 1,
                               end == std::string::npos ? std::string::npos : end - (begin == std::string::npos ? 0 : begin + 1));
        }
    }
    return std::string();
}

// A child in a process group of its own (Ctrl+C on the terminal reaches only the capture),
// ended with the capture if that dies, with the signal handling the capture was started with
// (exec sets the stop handlers back to the default, and what the capture's starter ignored,
// as nohup ignores SIGHUP, stays ignored), the standard streams given (-1: ours), and the
// files "keep" and "keepToo" (and nothing else of ours) left open through exec.
pid_t startChild(std::vector<std::string> args, int in, int out, int err, int keep, int keepToo = -1)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child != 0) {
        if (child > 0)
            setpgid(child, child);
        return child;
    }
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const int signal : { SIGPIPE, SIGXFSZ })
        std::signal(signal, SIG_DFL);
    if (in >= 0)
        dup2(in, STDIN_FILENO);
    if (out >= 0)
        dup2(out, STDOUT_FILENO);
    if (err >= 0)
        dup2(err, STDERR_FILENO);
    if (keep >= 0)
        fcntl(keep, F_SETFD, 0);
    if (keepToo >= 0)
        fcntl(keepToo, F_SETFD, 0);
    execvp(argv[0], argv.data());
    _exit(127);
}

// Where scratch files go: $TMPDIR when it names a folder, else /tmp.
std::string scratchFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp == '/' ? tmp : "/tmp";
}

// A scratch file without a name, gone when it is closed.
std::FILE* scratchFile()
{
    const std::string folder = scratchFolder();
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::string name = folder + "/kavri-capture-XXXXXX";
        fd = mkostemp(&name[0], O_CLOEXEC);
        if (fd >= 0)
            unlink(name.c_str());
    }
    std::FILE* file = fd >= 0 ? fdopen(fd, "w+") : nullptr;
    if (fd >= 0 && !file)
        close(fd);
    return file;
}

// Everything a child writes into the pipe, until it closes it: false when the stop's
// deadline came first. A child that would print without end is cut off at 1 MiB.
bool readAll(int fd, std::string& text)
{
    for (;;) {
        if (std::chrono::steady_clock::now() >= StopSignal::deadline())
            return false;
        pollfd ready = { fd, POLLIN, 0 };
        if (poll(&ready, 1, 50) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0 && text.size() < (1u << 20))
            text.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            return true;
    }
}

// ffprobe's streams by index, each with its type and packet count, from its key=value
// lines: a stream begins with "index=". Transport streams list each stream twice, once in
// their program, so a stream counts once.
typedef std::map<std::string, std::pair<std::string, long>> Streams;

Streams streamsIn(const std::string& text)
{
    Streams streams;
    std::istringstream in(text);
    std::string line, index;
    while (std::getline(in, line)) {
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "index")
            streams[index = value];
        else if (key == "codec_type" && !index.empty())
            streams[index].first = value;
        else if (key == "nb_read_packets" && !index.empty())
            streams[index].second = std::strtol(value.c_str(), nullptr, 10);
    }
    return streams;
}

// A stream of that type, with that many packets (any number when negative).
bool hasStream(const Streams& streams, const std::string& type, long packets)
{
    for (const auto& stream : streams)
        if (stream.second.first == type && (packets < 0 || stream.second.second == packets))
            return true;
    return false;
}

} // namespace

VideoEncoder::VideoEncoder()
    : mChild(-1), mPipe(-1), mOutput(-1), mMusic(false), mMessages(nullptr), mFramesTaken(0)
{
}

VideoEncoder::~VideoEncoder()
{
    if (mPipe >= 0)
        close(mPipe);
    if (mChild > 0) {
        // Its file is dropped anyway: no reason to wait for it.
        kill(-mChild, SIGKILL);
        while (waitpid(mChild, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    removeLink();
    if (mMessages)
        std::fclose(mMessages);
}

std::string VideoEncoder::missingProgram()
{
    for (const char* program : { "ffmpeg", "ffprobe" })
        if (!onPath(program))
            return program;
    return std::string();
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
            "-stream_loop", "-1", "-t", seconds(span.start + length + 1.0), "-i", "file:" + music,
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
    const std::vector<std::string> output = { "-t", seconds(length), "-shortest", "file:" + file };
    args.insert(args.end(), output.begin(), output.end());
    return args;
}

bool VideoEncoder::start(int output, const std::string& name, const Span& span, int music, const Format& format,
                         std::string& error)
{
    mOutput = output;
    mName = name;
    mMusic = music >= 0;
    std::string folder = scratchFolder() + "/kavri-capture-XXXXXX";
    if (!mkdtemp(&folder[0])) {
        error = "cannot make a private folder in \"" + scratchFolder() + "\": " + std::strerror(errno);
        return false;
    }
    mLinkFolder = folder;
    mLink = folder + "/video" + std::filesystem::path(name).extension().string();
    if (symlink(("/proc/self/fd/" + std::to_string(output)).c_str(), mLink.c_str()) != 0) {
        error = std::string("cannot make the link ffmpeg writes through: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> args =
        arguments(mLink, span, mMusic ? "/proc/self/fd/" + std::to_string(music) : std::string(), format);
    args.insert(args.begin(), "ffmpeg");

    // What ffmpeg prints is kept and shown when it has ended, not across the progress bar.
    mMessages = scratchFile();
    if (!mMessages) {
        error = "cannot make a scratch file in \"" + scratchFolder() + "\": " + std::strerror(errno);
        return false;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }
    // A failing ffmpeg shows as a failed write, not as a signal that ends the capture.
    std::signal(SIGPIPE, SIG_IGN);
    mChild = startChild(args, fds[0], -1, fileno(mMessages), output, music);
    close(fds[0]);
    if (mChild < 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        close(fds[1]);
        return false;
    }
    // The capture never waits in a write it cannot leave: it polls, and looks for a signal.
    mPipe = fds[1];
    fcntl(mPipe, F_SETFL, fcntl(mPipe, F_GETFL) | O_NONBLOCK);
    return true;
}

bool VideoEncoder::write(const std::vector<std::uint8_t>& rgb, std::string& error)
{
    typedef std::chrono::steady_clock Clock;
    size_t done = 0;
    Clock::time_point giveUp = Clock::time_point::max();
    while (done < rgb.size()) {
        // A stop leaves a frame not begun; one begun is finished if ffmpeg takes the rest
        // soon, since a cut frame is one ffmpeg complains about.
        if (StopSignal::received() && giveUp == Clock::time_point::max())
            giveUp = Clock::now() + std::chrono::milliseconds(done == 0 ? 0 : 300);
        if (Clock::now() >= giveUp)
            return false;
        const ssize_t n = ::write(mPipe, rgb.data() + done, rgb.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd ready = { mPipe, POLLOUT, 0 };
            poll(&ready, 1, 100);
            continue;
        }
        // ffmpeg has ended or is ending: say how, once it has.
        close(mPipe);
        mPipe = -1;
        int status = 0;
        if (!reap(mChild, status)) {
            mChild = -1;
            ending(status);
            error = mFailure = "ffmpeg stopped taking frames and was ended";
            return false;
        }
        mChild = -1;
        error = ending(status);
        if (error.empty())
            error = "ffmpeg ended before it had taken every frame";
        mFailure = error;
        return false;
    }
    ++mFramesTaken;
    return true;
}

bool VideoEncoder::reap(pid_t child, int& status)
{
    typedef std::chrono::steady_clock Clock;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR))
            break;
        if (Clock::now() >= StopSignal::deadline()) {
            // Asked politely first, as ffmpeg finishes its file on SIGTERM; a stopped or
            // hung one is killed.
            kill(-child, SIGTERM);
            kill(-child, SIGCONT);
            const Clock::time_point end = Clock::now() + std::chrono::milliseconds(150);
            pid_t ended = 0;
            while ((ended = waitpid(child, &status, WNOHANG)) == 0 && Clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            kill(-child, SIGKILL);
            while (ended == 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Whatever it started ends with it.
    kill(-child, SIGKILL);
    return true;
}

bool VideoEncoder::finish(std::string& error)
{
    if (mPipe >= 0)
        close(mPipe);
    mPipe = -1;
    if (mChild <= 0) {
        error = mFailure.empty() ? "ffmpeg is not running" : mFailure;
        return false;
    }
    int status = 0;
    const bool ended = reap(mChild, status);
    mChild = -1;
    if (!ended) {
        ending(status);
        error = "ffmpeg did not finish the video in the time a stop allows, and was ended";
        return false;
    }
    error = ending(status);
    if (error.empty())
        error = probe();
    removeLink();
    return error.empty();
}

std::string VideoEncoder::probe()
{
    mUnchecked.clear();
    // ffprobe's answer comes through a pipe: no scratch file that a full disk could empty.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        mUnchecked = std::string("cannot make a pipe to ffprobe: ") + std::strerror(errno);
        return std::string();
    }
    const std::vector<std::string> args = { "ffprobe", "-v", "error", "-count_packets", "-show_entries",
                                            "stream=index,codec_type,nb_read_packets", "-of", "default=nw=1",
                                            "file:/proc/self/fd/" + std::to_string(mOutput) };
    const pid_t child = startChild(args, -1, fds[1], fds[1], mOutput);
    close(fds[1]);
    std::string text;
    readAll(fds[0], text);
    close(fds[0]);
    int status = 0;
    if (child < 0) {
        mUnchecked = std::string("cannot start ffprobe: ") + std::strerror(errno);
        return std::string();
    }
    if (!reap(child, status)) {
        mUnchecked = "ffprobe did not finish in the time a stop allows";
        return std::string();
    }
    // Lines such as "index=0", "codec_type=video", "nb_read_packets=120", or what ffprobe
    // could not read.
    const Streams streams = streamsIn(text);
    const bool ran = WIFEXITED(status) && WEXITSTATUS(status) != 126 && WEXITSTATUS(status) != 127 &&
                     (!streams.empty() || WEXITSTATUS(status) != 0);
    if (!ran) {
        // The check itself did not run: that says nothing about the video.
        std::string how = WIFSIGNALED(status) ? std::string("ffprobe was ended by signal ") +
                                                    std::to_string(WTERMSIG(status))
                          : WEXITSTATUS(status) == 0 ? std::string("ffprobe gave no answer")
                                                     : std::string("ffprobe could not be run");
        const std::string last = lastLine(text);
        mUnchecked = how + (last.empty() ? std::string() : ": " + last);
        return std::string();
    }
    if (hasStream(streams, "video", mFramesTaken) && (!mMusic || hasStream(streams, "audio", -1)))
        return std::string();
    return "the finished video does not hold the " + std::to_string(mFramesTaken) + " frames sent" +
           (mMusic ? " and their music" : "") + " (ffprobe: " + lastLine(text) + ")";
}

void VideoEncoder::showMessages()
{
    captureRelay("ffmpeg", mShown);
    mShown.clear();
}

long long VideoEncoder::bytesWritten() const
{
    struct stat info;
    return mOutput >= 0 && fstat(mOutput, &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

void VideoEncoder::removeLink()
{
    if (!mLink.empty())
        unlink(mLink.c_str());
    if (!mLinkFolder.empty())
        rmdir(mLinkFolder.c_str());
    mLink.clear();
    mLinkFolder.clear();
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
    // ffmpeg names the file by the link it writes through: the user knows it by its name.
    for (const std::string& link : { "file:" + mLink, mLink })
        for (size_t at = 0; !mLink.empty() && (at = text.find(link, at)) != std::string::npos; at += mName.size())
            text.replace(at, link.size(), mName);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        const std::string cut = cutShortLine(text);
        if (!cut.empty())
            text.erase(text.find(cut), cut.size() + 1);
        mShown = text;
        return cut.empty() ? std::string() : "ffmpeg could not write the whole video: " + cut;
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
