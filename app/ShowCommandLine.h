#ifndef VEKO_SHOW_COMMAND_LINE_H
#define VEKO_SHOW_COMMAND_LINE_H

#include <string>

namespace veko {

// How the show is asked to run. Without options: fullscreen on one monitor, the picture
// scaled to it; the desktop's video mode is left alone.
struct ShowOptions {
    bool windowed = false;      // an ordinary, resizable 640x480 window
    bool pixelPerfect = false;  // scale by whole factors only
    bool modeSwitch = false;    // switch the display to a 640x480 video mode, and back
    bool withData = true;    // false: no data folder was found, and that was said already
};

class ShowCommandLine {
public:
    enum Result { RUN, HELP, VERSION, FAILED };

    // Reads argv into options. FAILED leaves one line, without the program's name, in error.
    static Result parse(int argc, char** argv, ShowOptions& options, std::string& error);
    static const char* usage();
    static const char* version();
};

} // namespace veko

#endif
