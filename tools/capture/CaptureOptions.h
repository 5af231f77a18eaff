#ifndef VEKO_CAPTURE_OPTIONS_H
#define VEKO_CAPTURE_OPTIONS_H

#include <string>

namespace veko {

// What one run of kavri-capture is asked to do.
struct CaptureOptions {
    // Frames are counted from time 0 and named with six digits: a capture ends by then.
    static const int kMaxFrames = 1000000;
    static const int kMaxScale = 8;

    int sceneId = 0;          // 0: the whole show through the Sequencer
    double from = 0.0;        // seconds of the show clock (or of the scene's own clock)
    double to = -1.0;         // negative: to the end of the show, or of the scene's slot
    int fps = 60;
    std::string framesDir;    // numbered PNGs go here when set
    std::string videoFile;    // a video with the music when set
    bool software = false;    // Burning's Video without an X server instead of OpenGL
    int scale = 1;            // each pixel written as a scale x scale block
    bool lossless = false;    // a lossless video with FLAC music instead of the upload copy
    bool overwrite = false;   // outputs that are there already may be replaced
    bool bench = false;
    int benchFrames = 600;    // frames per scene in the benchmark
};

class CaptureCommandLine {
public:
    enum Result { RUN, HELP, FAILED };

    // Reads argv into options. FAILED leaves one line, without the program's name, in error.
    static Result parse(int argc, char** argv, CaptureOptions& options, std::string& error);
    static const char* usage();
};

} // namespace veko

#endif
