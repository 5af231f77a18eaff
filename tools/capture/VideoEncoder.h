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
        bool overwrite;   // ffmpeg may replace a file that is there
    };

    VideoEncoder();
    ~VideoEncoder();

    // True when an ffmpeg program is found on the PATH.
    static bool available();
    // True when a lossless video can be written under this name (.mkv, .mp4).
    static bool hasLosslessCodecs(const std::string& file);
    // The arguments given to ffmpeg (without the program's name). No music when it is empty.
    static std::vector<std::string> arguments(const std::string& file, const Span& span, const std::string& music,
                                              const Format& format);

    bool start(const std::string& file, const Span& span, const std::string& music, const Format& format,
               std::string& error);
    // 640x480 RGB bytes, top row first.
    bool write(const std::vector<std::uint8_t>& rgb, std::string& error);
    // Closes the pipe and waits until ffmpeg has finished the file; false when it failed.
    // A video given fewer frames than its span ends after the last one, sound and all.
    bool finish(std::string& error);
    // The size of the file so far, or -1 when there is none yet.
    long long bytesWritten() const;
    // Puts what ffmpeg printed, but for the line a failure quotes, on standard error; for
    // after the progress bar.
    void showMessages();

private:
    // How ffmpeg ended, with the last line it printed; empty when it succeeded.
    std::string ending(int status);

    pid_t mChild;
    int mPipe;
    std::FILE* mMessages;   // ffmpeg's standard error, read when it has ended
    std::string mShown;     // what showMessages() prints
    std::string mFile;
    int mFramesTaken;
};

} // namespace veko

#endif
