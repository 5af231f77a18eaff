#include "tools/capture/CaptureOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/Sequencer.h"
#include "tools/capture/SceneTable.h"
#include "tools/capture/VideoEncoder.h"

namespace veko {

namespace {

const char* kUsage =
    "Usage: kavri-capture [OPTION]...\n"
    "Renders the Kavri show, or one of its nine scenes, frame by frame at a fixed frame rate:\n"
    "frame k shows the show at exactly k/FPS seconds, however fast or slow the machine is.\n"
    "It stops at the last frame before the show's end. Run it from anywhere: it finds the\n"
    "show's data folder as the show does.\n"
    "\n"
    "What to render (default: the whole show, 0 to 70.728 s):\n"
    "  --scene NAME|ID   one scene from its own time 0, by class name (EfxTown, or just town)\n"
    "                    or effect id (1300); the three scenes the show never selects\n"
    "                    (EfxShape1 1200, EfxTown 1300, EfxShape3 1600) included. The show\n"
    "                    clock, which some scenes follow too, starts where the show has it when\n"
    "                    the scene comes on (0 for the three), and so does the video's music\n"
    "  --from SECONDS    start of the span (default 0)\n"
    "  --to SECONDS      end of the span, exclusive (default: the show's end, or for --scene\n"
    "                    the length of the scene's slot in the show, 10.104 s for the others)\n"
    "  --fps N           frames per second, a whole number 1 to 1000 (default 60)\n"
    "\n"
    "Output (at least one):\n"
    "  --frames DIR      write frame k as DIR/frame_NNNNNN.png, k counted from time 0\n"
    "  --video FILE      write a video (container by the name: .mp4, .mkv, .webm ...) with the\n"
    "                    music of the same span muxed in, looped as the show loops it; needs the\n"
    "                    ffmpeg and ffprobe programs. By default a copy to upload: for .mp4,\n"
    "                    .mov and .m4v H.264 (libx264, crf 18, preset superfast, yuv420p,\n"
    "                    BT.709) with AAC at 192 kb/s, for .mkv the same picture with Vorbis\n"
    "                    (quality 6); for other names that picture format with ffmpeg's own\n"
    "                    codecs for the container\n"
    "  --lossless        a master instead: .mkv gets FFV1 (RGB), .mp4 H.264 with qp 0\n"
    "                    (libx264rgb, RGB); the frames are kept bit for bit, the music as FLAC\n"
    "  --scale N         frames and video with every pixel as an N by N block (nearest\n"
    "                    neighbour), N from 1 to 8 (default 1); 3 gives 1920x1440, the usual\n"
    "                    upload size, which video sites keep sharp\n"
    "  --overwrite       replace a video, or frames of the span, that are there already\n"
    "                    (without it such a run stops before it starts, and a name another\n"
    "                    program takes while it runs is kept). Every file is written under a\n"
    "                    name of its own beside its real one (NAME.XXXXXXXX.part) and put in\n"
    "                    place only when whole and checked; a link at the name is replaced, not\n"
    "                    followed. Nothing is ever written into the show's data folder, nor over\n"
    "                    any of its files under another name, with or without it\n"
    "\n"
    "Renderer (default: OpenGL in a 640x480 window on the X display in DISPLAY; with no\n"
    "DISPLAY, on a virtual X server (Xvfb) the capture starts and ends itself, which gives\n"
    "the same picture, byte for byte, as an X display with Mesa's software OpenGL):\n"
    "  --software        the engine's software renderer (Burning's Video) instead, without any\n"
    "                    X server; the same arguments give the same PNG bytes on every run.\n"
    "                    Its picture is NOT the show's: it ignores tints, additive blending\n"
    "                    and 2D drawing into render targets, and lights differently. The\n"
    "                    second scene's shapes come out flat brown, the fourth's ribbons and\n"
    "                    the fifth's sky differ; over half the pixels differ from 10 to 20 s\n"
    "                    and from 30 to 61 s\n"
    "\n"
    "Benchmark:\n"
    "  --bench           render each of the nine scenes for a number of frames and print a table\n"
    "                    of frame times (median, 99th percentile, ratio to an empty frame), the\n"
    "                    start-up time and the peak memory; takes --software and --fps\n"
    "  --bench-frames N  frames per scene (default 600)\n"
    "\n"
    "  --help            this text\n"
    "\n"
    "A progress bar with frames done, frames per second, time left and the video's size so far\n"
    "goes to standard error when that is a terminal. Ctrl+C (SIGINT), SIGTERM or SIGHUP stops a\n"
    "capture within two seconds: the frames written stay, and the video is finished with the\n"
    "frames captured so far if ffmpeg manages it in that time; if not, nothing is left under its\n"
    "name; under nohup SIGHUP is ignored. A video counts as written only when ffmpeg succeeded\n"
    "and ffprobe finds every frame (if ffprobe cannot run, the video is kept and said unchecked).\n"
    "Exit code 0 on success, 1 when rendering or writing fails (ffmpeg failing, a full disk, a\n"
    "name taken meanwhile), 2 for a bad option or an output it may not write, 128 + the signal's\n"
    "number after a stop: 130 after SIGINT, 143 after SIGTERM, 129 after SIGHUP.\n";

bool parseSeconds(const char* text, double& value)
{
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text, &end);
    return *text != '\0' && *end == '\0' && errno == 0 && std::isfinite(value) && value >= 0.0;
}

bool parseWhole(const char* text, int low, int high, int& value)
{
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || errno != 0 || parsed < low || parsed > high)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// Splits "--name=value" and "--name value"; reports a missing value.
struct Cursor {
    int argc;
    char** argv;
    int index;
    std::string name;
    const char* inlineValue;

    bool next()
    {
        if (++index >= argc)
            return false;
        const char* arg = argv[index];
        const char* equals = std::strncmp(arg, "--", 2) == 0 ? std::strchr(arg, '=') : nullptr;
        name = equals ? std::string(arg, equals) : std::string(arg);
        inlineValue = equals ? equals + 1 : nullptr;
        return true;
    }

    const char* value()
    {
        if (inlineValue)
            return inlineValue;
        if (index + 1 < argc)
            return argv[++index];
        return nullptr;
    }
};

bool fail(std::string& error, const std::string& message)
{
    error = message;
    return false;
}

bool readOption(Cursor& cursor, CaptureOptions& options, std::string& error, bool& help)
{
    const std::string& name = cursor.name;
    const bool flag = name == "--software" || name == "--bench" || name == "--lossless" || name == "--overwrite" ||
                      name == "--help" || name == "-h";
    if (flag) {
        if (cursor.inlineValue)
            return fail(error, name + " takes no value");
        if (name == "--software")
            options.software = true;
        else if (name == "--bench")
            options.bench = true;
        else if (name == "--lossless")
            options.lossless = true;
        else if (name == "--overwrite")
            options.overwrite = true;
        else
            help = true;
        return true;
    }
    const bool known = name == "--scene" || name == "--from" || name == "--to" || name == "--fps" ||
                       name == "--frames" || name == "--video" || name == "--bench-frames" || name == "--scale";
    if (!known) {
        if (name.compare(0, 1, "-") == 0)
            return fail(error, "unknown option '" + name + "' (see --help)");
        return fail(error, "unexpected argument '" + name + "' (see --help)");
    }
    const bool separate = cursor.inlineValue == nullptr;
    const char* value = cursor.value();
    if (!value || (separate && std::strncmp(value, "--", 2) == 0))
        return fail(error, name + " needs a value (see --help)");
    if (name == "--scene") {
        const SceneInfo* scene = SceneTable::find(value);
        if (!scene)
            return fail(error, std::string("--scene: no scene '") + value +
                                   "'; give a class name such as EfxTown or an id such as 1300");
        options.sceneId = scene->id;
    } else if (name == "--from" || name == "--to") {
        double seconds = 0.0;
        if (!parseSeconds(value, seconds))
            return fail(error, name + ": '" + value + "' is not a number of seconds (0 or more)");
        (name == "--from" ? options.from : options.to) = seconds;
    } else if (name == "--fps") {
        if (!parseWhole(value, 1, 1000, options.fps))
            return fail(error, std::string("--fps: '") + value + "' is not a whole number from 1 to 1000");
    } else if (name == "--scale") {
        if (!parseWhole(value, 1, CaptureOptions::kMaxScale, options.scale))
            return fail(error, std::string("--scale: '") + value + "' is not a whole number from 1 to 8");
    } else if (name == "--bench-frames") {
        if (!parseWhole(value, 1, 1000000, options.benchFrames))
            return fail(error, std::string("--bench-frames: '") + value + "' is not a whole number from 1 to 1000000");
    } else if (*value == '\0') {
        return fail(error, name + " needs a value (see --help)");
    } else if (name == "--frames") {
        options.framesDir = value;
    } else {
        options.videoFile = value;
    }
    return true;
}

bool checkCombination(const CaptureOptions& options, bool sawFrom, bool sawTo, std::string& error)
{
    if (options.bench) {
        if (options.sceneId || sawFrom || sawTo || !options.framesDir.empty() || !options.videoFile.empty() ||
            options.scale != 1 || options.lossless || options.overwrite)
            return fail(error, "--bench renders every scene itself; it takes only --software, --fps and --bench-frames");
        return true;
    }
    if (options.framesDir.empty() && options.videoFile.empty())
        return fail(error, "nothing to write: give --frames DIR and/or --video FILE, or --bench (see --help)");
    if (options.lossless && options.videoFile.empty())
        return fail(error, "--lossless is for --video; PNG frames are lossless already");
    if (options.lossless && !VideoEncoder::hasLosslessCodecs(options.videoFile))
        return fail(error, "--lossless writes .mkv (FFV1) or .mp4 (H.264 with qp 0); \"" + options.videoFile +
                               "\" is neither");
    if (!options.sceneId && options.from >= Sequencer::showLength())
        return fail(error, "--from is past the show's end (70.728 s)");
    if (options.to <= options.from) {
        if (sawTo)
            return fail(error, "--to must be later than --from");
        char message[128];
        std::snprintf(message, sizeof message, "--from is past the scene's default end (%.3f s); give a later --to",
                      options.to);
        return fail(error, message);
    }
    // Every frame from time 0 is drawn, so the span's end alone decides the count. The whole
    // show stops at its end anyway; a single scene runs as long as it is asked to.
    if (options.sceneId && options.to * options.fps > CaptureOptions::kMaxFrames) {
        char message[160];
        std::snprintf(message, sizeof message,
                      "--to: the span is too long to render; a capture ends before frame %d (%.3f s at %d fps)",
                      CaptureOptions::kMaxFrames, static_cast<double>(CaptureOptions::kMaxFrames) / options.fps,
                      options.fps);
        return fail(error, message);
    }
    return true;
}

// The end of the span when --to is not given, and never past the show's end.
void fillDefaults(CaptureOptions& options)
{
    if (options.sceneId && options.to < 0.0)
        options.to = SceneTable::defaultLength(*SceneTable::byId(options.sceneId));
    if (!options.sceneId && (options.to < 0.0 || options.to > Sequencer::showLength()))
        options.to = Sequencer::showLength();
}

} // namespace

CaptureCommandLine::Result CaptureCommandLine::parse(int argc, char** argv, CaptureOptions& options,
                                                     std::string& error)
{
    Cursor cursor = { argc, argv, 0, std::string(), nullptr };
    bool help = false, sawFrom = false, sawTo = false;
    while (cursor.next()) {
        if (!readOption(cursor, options, error, help))
            return FAILED;
        sawFrom = sawFrom || cursor.name == "--from";
        sawTo = sawTo || cursor.name == "--to";
    }
    if (help)
        return HELP;
    if (!options.bench)
        fillDefaults(options);
    return checkCombination(options, sawFrom, sawTo, error) ? RUN : FAILED;
}

const char* CaptureCommandLine::usage()
{
    return kUsage;
}

} // namespace veko
