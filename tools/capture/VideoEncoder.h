#ifndef VEKO_VIDEO_ENCODER_H
#define VEKO_VIDEO_ENCODER_H

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace veko {

// Writes a video through the ffmpeg program: raw RGB frames go down a pipe, and ffmpeg scales
// them, cuts the music to the same span, encodes both and muxes them. The container follows
// the file name's extension; the codecs are chosen here for the common ones.
//
// ffmpeg writes into a file the capture made and holds open: it is given a path in a private
// folder of ours (mode 0700) whose last part carries the extension, for ffmpeg's choice of
// container, and is a link to /proc/self/fd/N, the inherited descriptor. ffmpeg's own open
// so reaches exactly that file, with a position of its own, free to seek back as MP4 must;
// no name another program could swap is followed. (A pipe, "pipe:N", cannot seek.)
//
// A video counts as written only when ffmpeg ended with exit code 0, printed none of the
// errors it prints when the file is cut short yet exits 0 (a full disk while the trailer is
// written), and ffprobe finds in the file every frame that was sent. A check that could not
// run (no ffprobe to start, one that crashed or answered nothing) drops nothing: the video
// is kept, and the user is told it was not checked.
class VideoEncoder {
public:
    struct Span {
        int fps;
        int frames;
        double start;   // seconds: where in the music the first frame stands
    };
    struct Format {
        int scale;        // each pixel as a scale x scale block, nearest neighbour
        bool lossless;    // a master: RGB kept bit for bit, FLAC music
    };

    VideoEncoder();
    // Ends ffmpeg, and whatever it started, if it is still running.
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // The first of ffmpeg and ffprobe that is not found on the PATH, or an empty string.
    static std::string missingProgram();
    // True when a lossless video can be written under this name (.mkv, .mp4).
    static bool hasLosslessCodecs(const std::string& file);
    // The arguments given to ffmpeg (without the program's name): it writes to file, whose
    // extension picks the container, and reads the music from the path music (none when it
    // is empty).
    static std::vector<std::string> arguments(const std::string& file, const Span& span, const std::string& music,
                                              const Format& format);

    // Starts ffmpeg writing into output, an open file, in the container that name's
    // extension calls for. music is an open descriptor of the music file (-1: none), which
    // ffmpeg inherits and reads through its own /proc/self/fd entry: the very file that was
    // checked, never a name looked up again, and seekable, as looping it needs. The caller
    // may close it once start() returns.
    bool start(int output, const std::string& name, const Span& span, int music, const Format& format,
               std::string& error);
    // 640x480 RGB bytes, top row first. False with an error when ffmpeg has ended, and
    // false with no error when a stop signal came while ffmpeg was not taking the frame.
    bool write(const std::vector<std::uint8_t>& rgb, std::string& error);
    // Closes the pipe, waits until ffmpeg has finished the file and checks it; false when it
    // failed. A video given fewer frames than its span ends after the last one, sound and all.
    // After a stop signal ffmpeg gets what is left of the stop's time, and is ended then.
    bool finish(std::string& error);
    // Why the finished video could not be checked, when finish() succeeded without it: the
    // video is kept then, and the user told so. Empty when it was checked.
    const std::string& unchecked() const { return mUnchecked; }
    // The size of the file so far.
    long long bytesWritten() const;
    // Puts what ffmpeg printed, but for the line a failure quotes, on standard error, each
    // line escaped; for after the progress bar.
    void showMessages();

private:
    // Waits for a child of ours, until the stop's deadline; then ends its process group.
    // False when it had to be ended.
    static bool reap(pid_t child, int& status);
    // How ffmpeg ended, with the last line it printed; empty when it succeeded.
    std::string ending(int status);
    // Empty when the file holds every frame sent (and sound, when there is music), or when
    // ffprobe could not check it (unchecked() says why).
    std::string probe();
    void removeLink();

    pid_t mChild;
    int mPipe;
    int mOutput;
    std::string mLinkFolder;   // the private folder with the link ffmpeg writes through
    std::string mLink;
    std::string mName;         // the video's name, as the user gave it
    bool mMusic;
    std::FILE* mMessages;   // ffmpeg's standard error, read when it has ended
    std::string mShown;     // what showMessages() prints
    std::string mFailure;   // why ffmpeg ended early, once a write has found it
    std::string mUnchecked; // why ffprobe could not check the finished video
    int mFramesTaken;
};

} // namespace veko

#endif
