// SPDX-License-Identifier: MIT
// Times every frame of EfxTest's star burst, the show's busiest second, the way
// `kavri-capture --bench` times a frame: from beginScene to the end of endScene, plus
// glFinish under OpenGL. The scene runs from its time 0 at a fixed step of 1/60 s; the frames
// from 7.4 to 8.6 s are timed (the stars appear at 7.578 s). This repeats RUNS times, each
// pass with the same stars, and prints one line per pass and one for all passes together:
// median, p99 (nearest rank), worst, and the frames over 16.7 ms; then the median processor
// time of a frame, summed over the program's threads (llvmpipe draws on its own threads). On
// a machine that others share, the frame times follow their load, the processor time much
// less: compare that, or runs of the frame times taken one after another. The share of the
// program's own thread (the engine's calls, vertex work, binning) is printed apart. The last
// line takes each frame's fastest pass: other programs' load only ever adds time, so with
// enough passes that comes near what the frame takes on an idle machine.
//
//   kavri-burstbench [RUNS] [--software]      (OpenGL on $DISPLAY unless --software)

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "effects/EfxTest.h"
#include "framework/Random.h"
#include "platform/DataFolder.h"
#include "platform/HeapPolicy.h"
#include "tools/capture/CaptureDevice.h"
#include "tools/capture/SceneDriver.h"
#include "tools/capture/ShowStage.h"

namespace {

const int kFps = 60;
const int kFirstTimed = 444;   // 7.4 s
const int kLastTimed = 516;    // 8.6 s
const double kFrameBudgetMs = 1000.0 / 60;

typedef std::chrono::steady_clock Clock;

struct FrameTimes {
    std::vector<double> wall, cpu, mainCpu;   // milliseconds
};

double medianOf(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    return n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2.0;
}

void printSummary(const char* label, const FrameTimes& times)
{
    std::vector<double> ms = times.wall;
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    const size_t rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(n)));
    const long over = std::count_if(ms.begin(), ms.end(), [](double v) { return v > kFrameBudgetMs; });
    std::printf("%-8s %4zu frames  median %6.2f ms  p99 %6.2f ms  worst %6.2f ms  over 16.7 ms: %3ld  "
                "processor median %6.2f ms (main thread %5.2f ms)\n",
                label, n, medianOf(ms), ms[std::max<size_t>(rank, 1) - 1], ms.back(), over, medianOf(times.cpu),
                medianOf(times.mainCpu));
}

double processorMs(clockid_t clock)
{
    timespec now;
    clock_gettime(clock, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Frame by frame, the pass in which it took the least time.
FrameTimes fastestOf(const FrameTimes& all, int runs)
{
    const size_t frames = all.wall.size() / static_cast<size_t>(runs);
    FrameTimes fastest;
    for (size_t k = 0; k < frames; ++k) {
        size_t best = k;
        for (size_t i = k; i < all.wall.size(); i += frames)
            if (all.wall[i] < all.wall[best])
                best = i;
        fastest.wall.push_back(all.wall[best]);
        fastest.cpu.push_back(all.cpu[best]);
        fastest.mainCpu.push_back(all.mainCpu[best]);
    }
    return fastest;
}

// One pass of the scene from its time 0; returns the times of the frames in the window.
FrameTimes timeBurst(veko::ShowStage& stage)
{
    veko::Random::shared() = veko::Random(1);   // the same stars as in the show, every pass
    veko::EfxTest scene;   // the burst happens once in a scene's life
    scene.init();
    veko::SceneDriver driver(stage.device->device(), &scene, kFps, 0.0f);
    FrameTimes times;
    for (int k = 0; k <= kLastTimed; ++k) {
        const Clock::time_point start = Clock::now();
        const double startCpu = processorMs(CLOCK_PROCESS_CPUTIME_ID);
        const double startMainCpu = processorMs(CLOCK_THREAD_CPUTIME_ID);
        stage.device->beginFrame();
        driver.frame();
        stage.device->endFrame(nullptr);
        stage.device->finish();
        if (k >= kFirstTimed) {
            times.wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            times.cpu.push_back(processorMs(CLOCK_PROCESS_CPUTIME_ID) - startCpu);
            times.mainCpu.push_back(processorMs(CLOCK_THREAD_CPUTIME_ID) - startMainCpu);
        }
    }
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    veko::keepFreedMemory();   // as the show does
    int runs = 5;
    bool software = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--software") == 0)
            software = true;
        else if ((runs = std::atoi(argv[i])) < 1) {
            std::fprintf(stderr, "usage: %s [RUNS] [--software]\n", argv[0]);
            return 2;
        }
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    veko::DataFolder::forThisProgram().enter("kavri-burstbench");

    std::string error;
    veko::ShowStage* stage = veko::ShowStage::create(software, &error);
    if (!stage) {
        std::fprintf(stderr, "kavri-burstbench: %s\n", error.c_str());
        return 1;
    }
    FrameTimes all;
    for (int run = 1; run <= runs; ++run) {
        const FrameTimes times = timeBurst(*stage);
        char label[16];
        std::snprintf(label, sizeof label, "pass %d", run);
        printSummary(label, times);
        all.wall.insert(all.wall.end(), times.wall.begin(), times.wall.end());
        all.cpu.insert(all.cpu.end(), times.cpu.begin(), times.cpu.end());
        all.mainCpu.insert(all.mainCpu.end(), times.mainCpu.begin(), times.mainCpu.end());
    }
    printSummary("all", all);
    if (runs > 1)
        printSummary("fastest", fastestOf(all, runs));
    delete stage;
    return 0;
}
