#ifndef VEKO_STOP_SIGNAL_H
#define VEKO_STOP_SIGNAL_H

namespace veko {

// Ctrl+C (SIGINT) and SIGTERM ask a capture to stop: the handler only notes the signal, and
// the capture looks at it between frames, so that it can finish what it wrote.
class StopSignal {
public:
    // Takes SIGINT and SIGTERM over; a signal noted before stays noted. SDL must be kept from
    // installing its own handlers (SDL_NO_SIGNAL_HANDLERS), which would turn them into quit
    // events nobody reads, and the engine's console device installs its own when it is made.
    static void install();
    // The signal received, or 0.
    static int received();
    // The shell's exit code for a process ended by the signal: 128 + its number.
    static int exitCode(int signal) { return 128 + signal; }
    // "SIGINT" or "SIGTERM".
    static const char* name(int signal);
};

} // namespace veko

#endif
