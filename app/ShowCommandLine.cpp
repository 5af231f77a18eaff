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
        error = std::string(arg[0] == '-' ? "unknown option '" : "unexpected argument '") + arg + "' (see --help)";
        return FAILED;
    }
    return RUN;
}

const char* ShowCommandLine::usage()
{
    return "Usage: kavri [--window]\n"
           "A real-time audio-visual show: six scenes to a looping music track, 71 seconds,\n"
           "then it ends by itself. Escape ends it early.\n"
           "\n"
           "  --window    play in a 640x480 window; the desktop's video mode is left alone\n"
           "              (without it the show switches the display to 640x480 fullscreen)\n"
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
