#include "tools/capture/Capture.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "env/Env.h"
#include "framework/Sequencer.h"
#include "platform/FileGate.h"
#include "tools/capture/CaptureDevice.h"
#include "tools/capture/CaptureReport.h"
#include "tools/capture/PngSequence.h"
#include "tools/capture/ProgressBar.h"
#include "tools/capture/SceneDriver.h"
#include "tools/capture/SceneTable.h"
#include "tools/capture/ShowDriver.h"
#include "tools/capture/ShowStage.h"
#include "tools/capture/ShowSchedule.h"
#include "tools/capture/StopSignal.h"
#include "tools/capture/VideoEncoder.h"

namespace veko {

const char* const Capture::kMusicPath = "../data/stream/zaza.ogg";

namespace {

void warn(const std::string& message)
{
    captureReport(message);
}

} // namespace

Capture::Capture(const CaptureOptions& options, const DataFiles& data)
    : mOptions(options), mData(data), mStage(nullptr), mSource(nullptr), mPngs(nullptr),
      mVideo(nullptr), mVideoFinished(0), mVideoDropped(false), mShowStart(0.0), mFirst(0), mEnd(0), mStored(0)
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

void Capture::frameSpan(const CaptureOptions& options, int& first, int& end)
{
    first = firstFrame(options.from, options.fps);
    end = endFrame(options.to, options.fps);
    if (!options.sceneId)
        end = std::min(end, ShowSchedule::frameCount(options.fps));
}

int Capture::run()
{
    // A signal while the scenes load is looked at once they are loaded.
    if (!setUp())
        return fail(mError);
    if (const int signal = StopSignal::received())
        return stopped(signal);
    int code = 1;
    if (!makeSource() || !openOutputs(code))
        return fail(mError, code);
    bool done = render();
    // A signal while ffmpeg finishes is a stop too: the video is then as stopped() tells.
    if (done && mVideo && !StopSignal::received())
        done = finishVideo();
    if (const int signal = StopSignal::received())
        return stopped(signal);
    if (!done)
        return fail(mError);
    if (mVideo)
        mVideo->showMessages();
    tearDown();
    return 0;
}

int Capture::fail(const std::string& message, int code)
{
    if (mVideo)
        mVideo->showMessages();
    // The video's file was dropped, or is with the teardown.
    const bool dropped = mVideoDropped || !mVideoFile.temp.empty();
    warn(message + (dropped ? "; nothing was written to \"" + mOptions.videoFile + "\"" : ""));
    tearDown();
    return code;
}

bool Capture::finishVideo()
{
    if (mVideoFinished != 0)
        return mVideoFinished > 0;
    mVideoFinished = -1;
    if (!mVideo->finish(mError)) {
        mVideoFolder.discard(mVideoFile);
        mVideoDropped = true;
        return false;
    }
    if (mVideoFolder.place(mVideoFile, mOptions.overwrite, mError) == OutputFolder::PLACED) {
        mVideoFinished = 1;
        if (!mVideo->unchecked().empty())
            warn("the video \"" + mOptions.videoFile + "\" is kept, but not checked for every frame: " +
                 mVideo->unchecked());
        return true;
    }
    // The video is whole: it stays under its own name, and the message says where.
    mError += "; the capture's video is kept as \"" + mVideoFolder.pathOf(mVideoFile.temp) + "\"";
    mVideoFile = OutputFolder::File();
    return false;
}

int Capture::stopped(int signal)
{
    std::string message = std::string("stopped by ") + StopSignal::name(signal);
    if (!mSource)
        message += " while the scenes were loading; nothing was written";
    else
        message += " after " + std::to_string(mStored) + " of " + std::to_string(mEnd - mFirst) + " frames";
    if (mPngs && mStored > 0)
        message += "; \"" + mOptions.framesDir + "\" holds " + PngSequence::fileName(mFirst) + " to " +
                   PngSequence::fileName(mFirst + mStored - 1);
    if (mVideo) {
        if (mStored > 0 && finishVideo()) {
            char length[32];
            std::snprintf(length, sizeof length, "%.3f s", static_cast<double>(mStored) / mOptions.fps);
            message += "; the video \"" + mOptions.videoFile + "\" is finished with those " +
                       std::to_string(mStored) + " frames (" + length + ") and their music";
        } else {
            message += "; the video could not be finished (" + (mStored == 0 ? "no frame yet" : mError) +
                       "), so nothing was written to \"" + mOptions.videoFile + "\"";
        }
        mVideo->showMessages();
    }
    warn(message);
    tearDown();
    return StopSignal::exitCode(signal);
}

// The show's own start-up: device, Env, Sequencer, every scene's init. No music is played.
bool Capture::setUp()
{
    const std::string missing = mOptions.videoFile.empty() ? std::string() : VideoEncoder::missingProgram();
    if (!missing.empty()) {
        mError = "--video needs the ffmpeg and ffprobe programs; " + missing + " is not on the PATH";
        return false;
    }
    mStage = ShowStage::create(mOptions.software, &mError);
    return mStage != nullptr;
}

bool Capture::makeSource()
{
    const int fps = mOptions.fps;
    frameSpan(mOptions, mFirst, mEnd);
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
        mSource = new ShowDriver(mStage->device->device(), mStage->sequencer, fps);
    }
    if (mFirst >= mEnd) {
        mError = "the span from --from to --to holds no frame at " + std::to_string(fps) + " fps";
        return false;
    }
    return true;
}

bool Capture::openOutputs(int& code)
{
    if (!mOptions.framesDir.empty()) {
        mPngs = new PngSequence(mStage->device->driver(), mOptions.framesDir, mOptions.scale, mOptions.overwrite);
        if (!mPngs->open(mData, mError)) {
            code = mPngs->refused() ? 2 : 1;
            return false;
        }
    }
    if (!mOptions.videoFile.empty()) {
        const std::filesystem::path video(mOptions.videoFile);
        if (!mVideoFolder.open(video.parent_path().string(), mData, false, mError) ||
            !mVideoFolder.create(video.filename().string(), mVideoFile, mError)) {
            code = mVideoFolder.refused() ? 2 : 1;
            mError = "--video: " + mError;
            return false;
        }
        // The music goes to ffmpeg as the file the gate looked at and opened, by its
        // descriptor: whatever stands at the name by the time ffmpeg starts is never read.
        const std::string musicName = std::filesystem::absolute(kMusicPath).lexically_normal().string();
        int music = -1;
        long long size = 0;
        std::string why;
        if (FileGate::open(musicName, &music, &size, &why) != FileGate::OPENED)
            warn("the music \"" + musicName + "\" is not used (" + why + "); the video has no sound");
        // The music stands where the show clock does in the first frame.
        const VideoEncoder::Span span = { mOptions.fps, mEnd - mFirst,
                                          mShowStart + static_cast<double>(mFirst) / mOptions.fps };
        const VideoEncoder::Format format = { mOptions.scale, mOptions.lossless };
        mVideo = new VideoEncoder();
        const bool started = mVideo->start(mVideoFile.fd, mOptions.videoFile, span, music, format, mError);
        if (music >= 0)
            close(music);   // ffmpeg holds its own copy
        if (!started)
            return false;
    }
    return true;
}

// Every frame from 0 on is drawn, since scenes carry state from frame to frame; only the
// span's frames are read back and stored. A stop signal ends the loop between frames, or in
// a write to ffmpeg that waits.
bool Capture::render()
{
    ProgressBar progress(mEnd);
    bool ok = true;
    for (int k = 0; ok && k < mEnd && !StopSignal::received(); ++k) {
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
        progress.update(k + 1, mVideo ? mVideo->bytesWritten() : -1);
    }
    progress.finish();
    return ok;
}

bool Capture::store(int frame)
{
    if (mPngs && !mPngs->write(frame, mRgb, mError))
        return false;
    if (mVideo && !mVideo->write(mRgb, mError))
        return false;   // with no error when a stop signal came
    ++mStored;
    return true;
}

void Capture::tearDown()
{
    delete mVideo;   // ends ffmpeg if it is still running
    mVideo = nullptr;
    mVideoFolder.discard(mVideoFile);
    delete mPngs;
    mPngs = nullptr;
    delete mSource;
    mSource = nullptr;
    delete mStage;
    mStage = nullptr;
}

} // namespace veko
