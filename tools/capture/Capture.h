#ifndef VEKO_CAPTURE_H
#define VEKO_CAPTURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/CaptureOptions.h"

namespace veko {

class CaptureDevice;
class Env;
class ShowStage;
class FrameSource;
class PngSequence;
class Sequencer;
class VideoEncoder;

// One capture: sets the show up as the show does, renders frame 0 up to the span's end at
// the fixed step, and hands the span's frames to the PNG files and the video.
class Capture {
public:
    // The music, relative to the bin folder the tool runs in, as the show opens it.
    static const char* const kMusicPath;

    explicit Capture(const CaptureOptions& options);
    ~Capture();

    // The process exit code: 0 done, 1 failed (with one line on standard error), 128 plus
    // the signal's number when SIGINT or SIGTERM stopped it (see StopSignal).
    int run();

    // First frame of the span and the frame after its last, for the options' frame rate:
    // frame k is in the span when from <= k/fps < to.
    static int firstFrame(double from, int fps);
    static int endFrame(double to, int fps);
    // Both for the options, the show's span held at its last frame.
    static void frameSpan(const CaptureOptions& options, int& first, int& end);

private:
    bool setUp();
    bool makeSource();
    bool openOutputs();
    bool render();
    bool store(int frame);
    int fail(const std::string& message);
    // Finishes what was written before the signal and says what there is.
    int stopped(int signal);
    void tearDown();

    CaptureOptions mOptions;
    ShowStage* mStage;
    FrameSource* mSource;
    PngSequence* mPngs;
    VideoEncoder* mVideo;
    double mShowStart;   // the show clock at frame 0: a scene's slot start, else 0
    int mFirst;
    int mEnd;
    int mStored;         // frames of the span written so far
    std::vector<std::uint8_t> mRgb;
    std::string mError;
};

} // namespace veko

#endif
