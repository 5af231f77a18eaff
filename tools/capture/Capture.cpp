#include "tools/capture/Capture.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "env/Env.h"
#include "framework/Sequencer.h"
#include "tools/capture/CaptureDevice.h"
#include "tools/capture/PngSequence.h"
#include "tools/capture/ProgressBar.h"
#include "tools/capture/SceneDriver.h"
#include "tools/capture/SceneTable.h"
#include "tools/capture/ShowDriver.h"
#include "tools/capture/ShowStage.h"
#include "tools/capture/ShowSchedule.h"
#include "tools/capture/VideoEncoder.h"

namespace veko {

const char* const Capture::kMusicPath = "../data/stream/zaza.ogg";

namespace {

void warn(const std::string& message)
{
    std::fprintf(stderr, "kavri-capture: %s\n", message.c_str());
}

} // namespace

Capture::Capture(const CaptureOptions& options)
    : mOptions(options), mStage(nullptr), mSource(nullptr), mPngs(nullptr),
      mVideo(nullptr), mShowStart(0.0), mFirst(0), mEnd(0)
{
}

Capture::~Capture()
{
    tearDown();
}

int Capture::firstFrame(double from, int fps)
{
    // The small allowance keeps a time given in decimals (0.1 at 30 fps) on its own frame.
    return static_cast<int>(std::ceil(from * fps - 1e-6));
}

int Capture::endFrame(double to, int fps)
{
    return static_cast<int>(std::ceil(to * fps - 1e-6));
}

int Capture::run()
{
    if (!setUp() || !makeSource() || !openOutputs() || !render())
        return fail(mError);
    std::string error;
    if (mVideo && !mVideo->finish(error))
        return fail(error);
    tearDown();
    return 0;
}

int Capture::fail(const std::string& message)
{
    warn(message);
    tearDown();
    return 1;
}

// The show's own start-up: device, Env, Sequencer, every scene's init. No music is played.
bool Capture::setUp()
{
    if (!mOptions.videoFile.empty() && !VideoEncoder::available()) {
        mError = "--video needs the ffmpeg program, which is not on the PATH";
        return false;
    }
    mStage = ShowStage::create(mOptions.software, &mError);
    return mStage != nullptr;
}

bool Capture::makeSource()
{
    const int fps = mOptions.fps;
    mFirst = firstFrame(mOptions.from, fps);
    mEnd = endFrame(mOptions.to, fps);
    if (mOptions.sceneId) {
        const SceneInfo* scene = SceneTable::byId(mOptions.sceneId);
        Effect* effect = mStage->sequencer->effect(scene->id);
        if (!effect) {
            mError = std::string("scene ") + scene->name + " (" + std::to_string(scene->id) +
                     ") is not available in this build";
            return false;
        }
        mShowStart = scene->start;
        mSource = new SceneDriver(mStage->device->device(), effect, fps, scene->start);
    } else {
        for (int i = 0; i < SceneTable::kCount; ++i) {
            const SceneInfo& scene = SceneTable::at(i);
            if (scene.showOrder && !mStage->sequencer->effect(scene.id))
                warn(std::string("scene ") + scene.name + " is not available in this build; its slot stays black");
        }
        const int showFrames = ShowSchedule::frameCount(fps);
        if (mEnd > showFrames)
            mEnd = showFrames;
        mSource = new ShowDriver(mStage->device->device(), mStage->sequencer, fps);
    }
    if (mFirst >= mEnd) {
        mError = "the span from --from to --to holds no frame at " + std::to_string(fps) + " fps";
        return false;
    }
    return true;
}

bool Capture::openOutputs()
{
    if (!mOptions.framesDir.empty()) {
        mPngs = new PngSequence(mStage->device->driver(), mOptions.framesDir);
        if (!mPngs->open(mError))
            return false;
    }
    if (!mOptions.videoFile.empty()) {
        std::string music = std::filesystem::absolute(kMusicPath).lexically_normal().string();
        if (access(music.c_str(), R_OK) != 0) {
            warn("no music at \"" + music + "\"; the video has no sound");
            music.clear();
        }
        // The music stands where the show clock does in the first frame.
        const VideoEncoder::Span span = { mOptions.fps, mEnd - mFirst,
                                          mShowStart + static_cast<double>(mFirst) / mOptions.fps };
        mVideo = new VideoEncoder();
        if (!mVideo->start(mOptions.videoFile, span, music, mError))
            return false;
    }
    return true;
}

// Every frame from 0 on is drawn, since scenes carry state from frame to frame; only the
// span's frames are read back and stored.
bool Capture::render()
{
    ProgressBar progress(mEnd);
    bool ok = true;
    for (int k = 0; ok && k < mEnd; ++k) {
        mStage->device->beginFrame();
        if (!mSource->frame()) {
            mStage->device->endFrame(nullptr);
            mError = "the show ended before frame " + std::to_string(k);
            ok = false;
            break;
        }
        const bool inSpan = k >= mFirst;
        mStage->device->endFrame(inSpan ? &mRgb : nullptr);
        ok = !inSpan || store(k);
        progress.update(k + 1);
    }
    progress.finish();
    return ok;
}

bool Capture::store(int frame)
{
    if (mPngs && !mPngs->write(frame, mRgb, mError))
        return false;
    return !mVideo || mVideo->write(mRgb, mError);
}

void Capture::tearDown()
{
    delete mVideo;   // waits for ffmpeg if it is still running
    mVideo = nullptr;
    delete mPngs;
    mPngs = nullptr;
    delete mSource;
    mSource = nullptr;
    delete mStage;
    mStage = nullptr;
}

} // namespace veko
