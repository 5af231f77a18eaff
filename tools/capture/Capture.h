#ifndef VEKO_CAPTURE_H
#define VEKO_CAPTURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/CaptureOptions.h"
#include "tools/capture/DataFiles.h"
#include "tools/capture/OutputFolder.h"

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

    // Nothing is written into data, nor over any of its files.
    Capture(const CaptureOptions& options, const DataFiles& data);
    ~Capture();

    // The process exit code: 0 done, 1 failed (with one line on standard error), 2 when an
    // output turned out to lie in the data folder, 128 plus the signal's number when SIGINT,
    // SIGTERM or SIGHUP stopped it (see StopSignal).
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
    // code: the exit code for a failure, 2 when an output turned out to lie in the data folder.
    bool openOutputs(int& code);
    bool render();
    bool store(int frame);
    // Finishes the video, checks it and puts it under its name; false, with mError, when
    // any of it fails (the file is then dropped, or kept under its own name if only the
    // last step failed, and mError says where).
    bool finishVideo();
    int fail(const std::string& message, int code = 1);
    // Finishes what was written before the signal and says what there is.
    int stopped(int signal);
    void tearDown();

    CaptureOptions mOptions;
    DataFiles mData;
    OutputFolder mVideoFolder;
    OutputFolder::File mVideoFile;
    ShowStage* mStage;
    FrameSource* mSource;
    PngSequence* mPngs;
    VideoEncoder* mVideo;
    int mVideoFinished;  // finishVideo(): 0 not yet, 1 done, -1 failed
    bool mVideoDropped;  // its file was removed, as it could not be finished
    double mShowStart;   // the show clock at frame 0: a scene's slot start, else 0
    int mFirst;
    int mEnd;
    int mStored;         // frames of the span written so far
    std::vector<std::uint8_t> mRgb;
    std::string mError;
};

} // namespace veko

#endif
