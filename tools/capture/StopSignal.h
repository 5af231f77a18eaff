#ifndef VEKO_STOP_SIGNAL_H
#define VEKO_STOP_SIGNAL_H

#include <chrono>

namespace veko {

// Ctrl+C (SIGINT), SIGTERM and SIGHUP (the terminal closed) ask a capture to stop: the
// handler only notes the signal, and the capture looks at it between frames, in every wait
// for ffmpeg and after loading, so that it can finish or drop what it wrote.
//
// The handler is installed without SA_RESTART: a call that waits (a write to ffmpeg, a poll)
// returns EINTR at once, and the waiting code looks at received() before it goes on.
class StopSignal {
public:
    // The time a stop may take, from the first signal to the exit: ffmpeg's finishing, the
    // check of its file and the teardown included.
    static constexpr std::chrono::milliseconds kStopBudget{ 2000 };

    // Takes SIGINT, SIGTERM and SIGHUP over, but for a SIGHUP the capture was started
    // ignoring, which stays ignored; a signal noted before stays noted. SDL must be
    // kept from installing its own handlers (SDL_NO_SIGNAL_HANDLERS), which would turn them
    // into quit events nobody reads; the engine's console device is kept from keeping its own
    // by CaptureDevice.
    static void install();
    // The first signal received, or 0.
    static int received();
    // How long the capture may still wait for something before it must give up on it: the
    // rest of the stop's budget for the last part (ffmpeg's finishing and the check of its
    // file), until a second signal asks for an end now. Without a signal, forever.
    static std::chrono::steady_clock::time_point deadline();
    // The shell's exit code for a process ended by the signal: 128 + its number.
    static int exitCode(int signal) { return 128 + signal; }
    // "SIGINT", "SIGTERM" or "SIGHUP".
    static const char* name(int signal);
};

} // namespace veko

#endif
