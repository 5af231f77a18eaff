#include "tools/capture/StopSignal.h"

#include <csignal>
#include <cstring>

namespace veko {

namespace {

volatile std::sig_atomic_t sReceived = 0;

void note(int signal)
{
    // The first signal counts; a second Ctrl+C while the video is finished changes nothing.
    if (sReceived == 0)
        sReceived = signal;
}

} // namespace

void StopSignal::install()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = note;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a write to ffmpeg that waits is interrupted, and the capture looks again.
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int StopSignal::received()
{
    return sReceived;
}

const char* StopSignal::name(int signal)
{
    return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal";
}

} // namespace veko
