#include "app/ShowCommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace veko {

namespace {

// The most a sound setup is believed to differ, either way.
const long kMostAudioOffsetMs = 2000;

bool readAudioOffset(const char* text, int* ms)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < -kMostAudioOffsetMs || value > kMostAudioOffsetMs)
        return false;
    *ms = static_cast<int>(value);
    return true;
}

} // namespace

ShowCommandLine::Result ShowCommandLine::parse(int argc, char** argv, ShowOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
            return HELP;
        if (std::strcmp(arg, "--version") == 0)
            return VERSION;
        if (std::strcmp(arg, "--window") == 0) {
            options.windowed = true;
            continue;
        }
        if (std::strcmp(arg, "--audio-offset") == 0) {
            if (i + 1 >= argc) {
                error = "--audio-offset needs a number of milliseconds (see --help)";
                return FAILED;
            }
            if (!readAudioOffset(argv[i + 1], &options.audioOffsetMs)) {
                error = std::string("--audio-offset '") + argv[i + 1] +
                        "': not a whole number of milliseconds from -2000 to 2000";
                return FAILED;
            }
            ++i;
            continue;
        }
        error = std::string(arg[0] == '-' ? "unknown option '" : "unexpected argument '") + arg + "' (see --help)";
        return FAILED;
    }
    return RUN;
}

const char* ShowCommandLine::usage()
{
    return "Usage: kavri [--window] [--audio-offset MS]\n"
           "A real-time audio-visual show: six scenes to a looping music track, 71 seconds,\n"
           "then it ends by itself. Escape ends it early.\n"
           "\n"
           "  --window    play in a 640x480 window; the desktop's video mode is left alone\n"
           "              (without it the show switches the display to 640x480 fullscreen)\n"
           "  --audio-offset MS\n"
           "              play the sound MS milliseconds later than the picture (negative:\n"
           "              sooner), for a sound setup that delays it differently; default 0\n"
           "  --help      show this help and exit\n"
           "  --version   show the version and exit\n"
           "\n"
           "The show's files are read from ../data when started from a folder beside it, else\n"
           "from the data folder beside the program's bin folder, else from the installed one.\n";
}

const char* ShowCommandLine::version()
{
    return "kavri " KAVRI_VERSION "\n";
}

} // namespace veko
