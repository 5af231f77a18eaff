#include "app/ShowCommandLine.h"

#include <cstring>

namespace veko {

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
        if (std::strcmp(arg, "--pixel-perfect") == 0) {
            options.pixelPerfect = true;
            continue;
        }
        if (std::strcmp(arg, "--mode-switch") == 0) {
            options.modeSwitch = true;
            continue;
        }
        error = std::string(arg[0] == '-' ? "unknown option '" : "unexpected argument '") + arg + "' (see --help)";
        return FAILED;
    }
    if (options.windowed && options.modeSwitch) {
        error = "--window and --mode-switch exclude each other (see --help)";
        return FAILED;
    }
    return RUN;
}

const char* ShowCommandLine::usage()
{
    return "Usage: kavri [--window | --mode-switch] [--pixel-perfect]\n"
           "A real-time audio-visual show: six scenes to a looping music track, 71 seconds,\n"
           "then it ends by itself. Escape ends it early.\n"
           "\n"
           "Without options the show fills one monitor: the primary one, else the one\n"
           "under the mouse pointer. Its 640x480 picture is scaled up with sharp pixels,\n"
           "centred at 4:3 with black bars; the desktop's video mode is left alone.\n"
           "\n"
           "  --window          play in an ordinary 640x480 window that can be resized; the\n"
           "                    picture is scaled inside it the same way\n"
           "  --pixel-perfect   scale by whole factors only (each pixel an exact 2x2, 3x3...\n"
           "                    block); the black bars are wider where that leaves room\n"
           "  --mode-switch     switch the display to a real 640x480 video mode for the show\n"
           "                    and back at its end (for CRT monitors); should the mode be\n"
           "                    changed back during the show, the picture is scaled instead\n"
           "  --help            show this help and exit\n"
           "  --version         show the version and exit\n"
           "\n"
           "The show's files are read from ../data when started from a folder beside it, else\n"
           "from the data folder beside the program's bin folder, else from the installed one.\n";
}

const char* ShowCommandLine::version()
{
    return "kavri " KAVRI_VERSION "\n";
}

} // namespace veko
