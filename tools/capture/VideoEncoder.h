#ifndef VEKO_VIDEO_ENCODER_H
#define VEKO_VIDEO_ENCODER_H

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace veko {

// Writes a video through the ffmpeg program: raw RGB frames go down a pipe, and ffmpeg cuts
// the music to the same span, encodes both and muxes them. The container and codecs follow
// the file name's extension, as ffmpeg chooses them.
class VideoEncoder {
public:
    struct Span {
        int fps;
        int frames;
        double start;   // seconds: where in the music the first frame stands
    };

    VideoEncoder();
    ~VideoEncoder();

    // True when an ffmpeg program is found on the PATH.
    static bool available();
    // The arguments given to ffmpeg (without the program's name). No music when it is empty.
    static std::vector<std::string> arguments(const std::string& file, const Span& span, const std::string& music);

    bool start(const std::string& file, const Span& span, const std::string& music, std::string& error);
    // 640x480 RGB bytes, top row first.
    bool write(const std::vector<std::uint8_t>& rgb, std::string& error);
    // Closes the pipe and waits for ffmpeg; false when it failed.
    bool finish(std::string& error);

private:
    pid_t mChild;
    int mPipe;
};

} // namespace veko

#endif
