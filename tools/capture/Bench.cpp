#include "tools/capture/Bench.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <GL/gl.h>

#include "env/Env.h"
#include "framework/Sequencer.h"
#include "platform/Report.h"
#include "tools/capture/Capture.h"
#include "tools/capture/CaptureReport.h"
#include "tools/capture/CaptureDevice.h"
#include "tools/capture/ProgressBar.h"
#include "tools/capture/SceneDriver.h"
#include "tools/capture/SceneTable.h"
#include "tools/capture/ShowStage.h"

namespace veko {

namespace {

typedef std::chrono::steady_clock Clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double peakMemoryMiB()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;   // kilobytes on Linux
}

std::string slotText(const SceneInfo& scene)
{
    static const char* const kOrdinals[] = { "", "1st", "2nd", "3rd", "4th", "5th", "6th" };
    if (!scene.showOrder)
        return "never";
    char text[64];
    std::snprintf(text, sizeof text, "%s, %.3f to %.3f s", kOrdinals[scene.showOrder], scene.start, scene.end);
    return text;
}

void printRow(const char* name, const std::string& id, const std::string& shown, const Bench::Timing& timing,
              double floor)
{
    std::printf("| %s | %s | %s | %.2f | %.2f | %.1f |\n", name, id.c_str(), shown.c_str(), timing.median,
                timing.p99, timing.median / floor);
}

} // namespace

Bench::Bench(const CaptureOptions& options, Clock::time_point processStart)
    : mOptions(options), mProcessStart(processStart), mStage(nullptr),
      mStartUpMs(0.0)
{
}

Bench::~Bench()
{
    tearDown();
}

Bench::Timing Bench::summarize(std::vector<double> milliseconds)
{
    Timing timing = { 0.0, 0.0 };
    if (milliseconds.empty())
        return timing;
    std::sort(milliseconds.begin(), milliseconds.end());
    const size_t n = milliseconds.size();
    timing.median = n % 2 ? milliseconds[n / 2] : (milliseconds[n / 2 - 1] + milliseconds[n / 2]) / 2.0;
    const size_t rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(n)));
    timing.p99 = milliseconds[std::max<size_t>(rank, 1) - 1];
    return timing;
}

// As the show starts: device, Env, Sequencer, every init, the music opened (into SDL's dummy
// audio unless another driver was asked for). Timed from the start of main.
bool Bench::setUp()
{
    mStage = ShowStage::create(mOptions.software, &mError);
    if (!mStage)
        return false;
    mStage->env->playMusic(Capture::kMusicPath);
    mStartUpMs = millisecondsSince(mProcessStart);
    return true;
}

std::vector<double> Bench::timeEmptyFrames(int count)
{
    std::vector<double> times;
    times.reserve(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
        const Clock::time_point start = Clock::now();
        mStage->device->beginFrame();
        mStage->device->endFrame(nullptr);
        mStage->device->finish();
        times.push_back(millisecondsSince(start));
    }
    return times;
}

std::vector<double> Bench::timeScene(const SceneInfo& scene)
{
    std::vector<double> times;
    Effect* effect = mStage->sequencer->effect(scene.id);
    if (!effect)
        return times;
    times.reserve(static_cast<size_t>(mOptions.benchFrames));
    SceneDriver driver(mStage->device->device(), effect, mOptions.fps, scene.start);
    for (int k = 0; k < mOptions.benchFrames; ++k) {
        const Clock::time_point start = Clock::now();
        mStage->device->beginFrame();
        driver.frame();
        mStage->device->endFrame(nullptr);
        mStage->device->finish();
        times.push_back(millisecondsSince(start));
    }
    return times;
}

std::string Bench::rendererName() const
{
    if (mStage->device->software())
        return "software renderer (Burning's Video), console device";
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const char* display = std::getenv("DISPLAY");
    return std::string("OpenGL, ") + (renderer ? renderer : "unknown renderer") + ", X display " +
           (display ? display : "") + (mStage->device->privateServer() ? " (the capture's own Xvfb)" : "");
}

int Bench::run()
{
    if (!setUp()) {
        captureReport(mError);
        tearDown();
        return 1;
    }
    const int frames = mOptions.benchFrames;
    ProgressBar progress(frames * (SceneTable::kCount + 1));
    // The first frames of a new context are slow for reasons of their own.
    timeEmptyFrames(std::min(frames, 30));
    const Timing floor = summarize(timeEmptyFrames(frames));
    progress.update(frames);

    std::vector<Timing> timings;
    for (int i = 0; i < SceneTable::kCount; ++i) {
        timings.push_back(summarize(timeScene(SceneTable::at(i))));
        progress.update(frames * (i + 2));
    }
    progress.finish();

    // The driver's name and the display's come from outside: shown escaped.
    std::printf("Renderer: %s\n", printable(rendererName()).c_str());
    std::printf("%d frames per scene at a step of 1/%d s, each scene from its own time 0\n\n", frames, mOptions.fps);
    std::printf("| Scene | Id | In the show | Median ms | p99 ms | Median / empty |\n");
    std::printf("|---|---|---|---:|---:|---:|\n");
    printRow("empty frame (clear, present)", "", "", floor, floor.median);
    for (int i = 0; i < SceneTable::kCount; ++i) {
        const SceneInfo& scene = SceneTable::at(i);
        if (!mStage->sequencer->effect(scene.id))
            std::printf("| %s | %d | %s | not available | | |\n", scene.name, scene.id, slotText(scene).c_str());
        else
            printRow(scene.name, std::to_string(scene.id), slotText(scene), timings[i], floor.median);
    }
    std::printf("\nStart-up (from main to the first frame: device, Env, Sequencer, all nine inits, "
                "music opened): %.0f ms\n", mStartUpMs);
    std::printf("Peak memory (resident set, whole run): %.1f MiB\n", peakMemoryMiB());
    std::fflush(stdout);
    tearDown();
    return 0;
}

void Bench::tearDown()
{
    delete mStage;
    mStage = nullptr;
}

} // namespace veko
