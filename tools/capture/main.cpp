// SPDX-License-Identifier: MIT
// kavri-capture: renders the show, or one scene, to PNG files or a video at a fixed frame
// rate, and measures every scene's frame time. The show itself stays as it is.

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>

#include "platform/DataFolder.h"
#include "platform/HeapPolicy.h"
#include "platform/StandardStreams.h"
#include "tools/capture/Bench.h"
#include "tools/capture/Capture.h"
#include "tools/capture/CaptureOptions.h"
#include "tools/capture/CaptureReport.h"
#include "tools/capture/DataFiles.h"
#include "tools/capture/OutputGuard.h"
#include "tools/capture/StopSignal.h"

namespace fs = std::filesystem;

namespace {

// An output path made absolute, from where the tool was started; false with one line in
// error when it cannot be (the folder the tool was started in was removed).
bool makeAbsolute(const char* option, std::string& path, std::string& error)
{
    if (path.empty())
        return true;
    std::error_code code;
    const fs::path absolute = fs::absolute(path, code);
    if (code || !absolute.is_absolute()) {
        error = std::string(option) + ": cannot tell where \"" + path + "\" is: the folder kavri-capture was "
                "started in cannot be found (" + (code ? code.message() : std::string("no path")) +
                "); give an absolute path";
        return false;
    }
    path = absolute.string();
    return true;
}

// The scenes read "../data/..." as the show does, from the folder the shared rule picks;
// output paths given relative to where the tool was started are made absolute before moving.
// The files of the folder found are what no output may touch.
veko::DataFiles enterDataFolder()
{
    const veko::DataFolder folder = veko::DataFolder::forThisProgram();
    const veko::DataFiles files(folder.find());
    folder.enter("kavri-capture");
    return files;
}

int capture(int argc, char** argv)
{
    const auto start = std::chrono::steady_clock::now();
    veko::ensureStandardStreams();
    veko::keepFreedMemory();   // as the show does, so frames cost what they cost there
    veko::CaptureOptions options;
    std::string error;
    switch (veko::CaptureCommandLine::parse(argc, argv, options, error)) {
    case veko::CaptureCommandLine::HELP:
        std::fputs(veko::CaptureCommandLine::usage(), stdout);
        return 0;
    case veko::CaptureCommandLine::FAILED:
        veko::captureReport(error);
        return 2;
    case veko::CaptureCommandLine::RUN:
        break;
    }

    // The music is never played to a capture's listener. SDL leaves SIGINT, SIGTERM and SIGHUP
    // alone: they stop a capture from here on (StopSignal), or end the benchmark as they end
    // any program.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
    if (!options.bench)
        veko::StopSignal::install();
    // A file-size limit (ulimit -f) fails a write with EFBIG, which is reported, rather than
    // ending the capture with a frame half written.
    std::signal(SIGXFSZ, SIG_IGN);
    if (!makeAbsolute("--frames", options.framesDir, error) || !makeAbsolute("--video", options.videoFile, error)) {
        veko::captureReport(error);
        return 2;
    }
    const veko::DataFiles data = enterDataFolder();

    if (options.bench)
        return veko::Bench(options, start).run();
    if (!veko::OutputGuard::allows(options, data, error)) {
        veko::captureReport(error);
        return 2;
    }
    return veko::Capture(options, data).run();
}

} // namespace

int main(int argc, char** argv)
{
    // Whatever the system throws at the capture ends it with one line, never with abort().
    try {
        return capture(argc, argv);
    } catch (const std::exception& failure) {
        veko::captureReport(std::string("stopped by an error: ") + failure.what());
    } catch (...) {
        veko::captureReport("stopped by an unknown error");
    }
    return 1;
}
