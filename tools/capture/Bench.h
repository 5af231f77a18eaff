#ifndef VEKO_BENCH_H
#define VEKO_BENCH_H

#include <chrono>
#include <string>
#include <vector>

#include "tools/capture/CaptureOptions.h"

namespace veko {

class CaptureDevice;
class Env;
class ShowStage;
class Sequencer;
struct SceneInfo;

// Frame times of every scene on this machine: each of the nine scenes runs on its own from
// its time 0 for a fixed number of frames at the fixed step, next to the empty frame (clear
// and present only) as the floor, plus the show's start-up time and peak memory.
class Bench {
public:
    struct Timing {
        double median;   // milliseconds
        double p99;      // milliseconds, nearest rank
    };

    Bench(const CaptureOptions& options, std::chrono::steady_clock::time_point processStart);
    ~Bench();

    // Prints the table on standard output; returns the process exit code.
    int run();

    static Timing summarize(std::vector<double> milliseconds);

private:
    bool setUp();
    std::vector<double> timeEmptyFrames(int count);
    std::vector<double> timeScene(const SceneInfo& scene);
    std::string rendererName() const;
    void tearDown();

    CaptureOptions mOptions;
    std::chrono::steady_clock::time_point mProcessStart;
    ShowStage* mStage;
    double mStartUpMs;
    std::string mError;
};

} // namespace veko

#endif
