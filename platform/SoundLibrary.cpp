#include "platform/SoundLibrary.h"

#include "platform/ClockShare.h"
#include "platform/MusicPacer.h"
#include "platform/OggStream.h"
#include "platform/ShowClock.h"

#include <SDL2/SDL.h>
#ifndef _WIN32
#include <alsa/asoundlib.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#ifndef O_CLOEXEC
#define O_CLOEXEC 0   // Windows: descriptors are not inherited by default
#endif

namespace veko {
namespace sound {

namespace {

#ifndef _WIN32
// ALSA prints its own complaints (no card, no mixer) straight to stderr; the show stays quiet.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

// The device's buffer: about 46 ms at 44.1 kHz, decoded a packet at a time when it is due.
const int kBufferFrames = 2048;

// A frame reaches the screen about this long after the show time it shows (the time to draw
// it); the music is put as much later, so a scene change is heard just after it is seen.
// Measured through PulseAudio: without it, scene changes were heard 3 ms after they were seen
// (median; the first, a heavy frame, 21 ms before).
const int kPictureLatencyMs = 12;

} // namespace

void toNativePath(const char* name, char* out, unsigned long outSize)
{
    if (outSize == 0)
        return;
    unsigned long i = 0;
    for (; name[i] != '\0' && i + 1 < outSize; ++i)
        out[i] = name[i] == '\\' ? '/' : name[i];
    out[i] = '\0';
}

// --- Sound -------------------------------------------------------------------------------

Sound::Sound(System* system, OggStream* stream) : mSystem(system), mStream(stream) {}

Sound::~Sound()
{
    delete mStream;
}

Result Sound::release()
{
    mSystem->forget(this);
    delete this;
    return OK;
}

// --- Channel -----------------------------------------------------------------------------

Channel::Channel() : mSystem(nullptr), mSound(nullptr) {}

bool Channel::isPlaying() const
{
    return mSound != nullptr && mSystem->isOpen() && !mSound->mStream->ended();
}

// --- System ------------------------------------------------------------------------------

System::System()
    : mOpen(false), mDevice(0), mRate(0), mChannels(0), mPlaying(nullptr), mPaused(false),
      mClock(nullptr), mOffsetMs(0), mBufferFrames(0), mPacer(nullptr), mPosition(0), mContinuesSeen(0), mLogFd(-1)
{
    mChannel.mSystem = this;
}

System::~System()
{
    delete mPacer;
    if (mLogFd >= 0)
        ::close(mLogFd);
}

Result System_Create(System** system)
{
    if (!system)
        return ERR_INVALID_PARAM;
    *system = new System;
    return OK;
}

Result System::init(int maxChannels, unsigned int, void*)
{
    if (mOpen)
        return OK;
    if (maxChannels < 1)
        return ERR_INVALID_PARAM;

#ifndef _WIN32
    snd_lib_error_set_handler(quietAlsa);
#endif
    SDL_SetMainReady();   // the show's own entry stands in for SDL's
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return ERR_INITIALIZATION;
    // 16-bit at 44.1 kHz stereo, or the device's own rate and channels: each stream converts.
    SDL_AudioSpec want, have;
    SDL_zero(want);
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kBufferFrames;
    want.callback = feed;
    want.userdata = this;
    mDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (mDevice == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return ERR_INITIALIZATION;
    }
    mRate = have.freq;
    mChannels = have.channels;
    mBufferFrames = have.samples;
    // Room for a buffer, its stretch, and the frames a skip throws away in one go.
    mScratch.assign(static_cast<size_t>(2 * have.samples + 64) * have.channels, 0);
    mOpen = true;
    SDL_PauseAudioDevice(mDevice, 0);   // silence until a sound plays
    return OK;
}

void System::feed(void* userdata, unsigned char* out, int bytes)
{
    System* system = static_cast<System*>(userdata);
    if (!system->mPlaying || system->mPaused)
        std::memset(out, 0, bytes);
    else if (!system->mClock)
        system->mPlaying->mStream->fill(out, bytes);
    else
        system->feedInPlace(system->mPlaying->mStream, out, bytes);
}

void System::follow(const ClockShare* clock, int offsetMs)
{
    if (!mOpen)
        return;
    MusicPacer* pacer = clock ? new MusicPacer(mRate, mBufferFrames) : nullptr;
    const char* log = std::getenv("KAVRI_SOUND_LOG");
    if (mLogFd < 0 && log && *log)
        mLogFd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    SDL_LockAudioDevice(mDevice);
    std::swap(mPacer, pacer);
    mClock = clock;
    mOffsetMs = offsetMs + kPictureLatencyMs;
    mPosition = 0;
    mContinuesSeen = ShowClock::continuesSoFar();
    SDL_UnlockAudioDevice(mDevice);
    delete pacer;
}

// Frames the show clock's music position is ahead of the next frame the device gets. False
// while the clock cannot be believed: the process was stopped since its last reading, and the
// stop is in the monotonic clock but not in the show's; the loop reads it afresh at once. The
// first reading after a stop puts the music in place again.
bool System::lag(long long* frames)
{
    ClockShare::Reading reading;
    if (!mClock->latest(&reading) || reading.continues != ShowClock::continuesSoFar())
        return false;
    if (reading.continues != mContinuesSeen) {
        mContinuesSeen = reading.continues;
        mPacer->resume();
    }
    const long long showMs = reading.showMs + (ShowClock::monotonicMilliseconds() - reading.stampMs);
    *frames = (showMs - mOffsetMs) * mRate / 1000 - mPosition;
    return true;
}

void System::feedInPlace(OggStream* stream, unsigned char* out, int bytes)
{
    const int frameBytes = 2 * mChannels;
    int frames = bytes / frameBytes;
    long long behind = 0;
    MusicPacer::Step step;
    if (lag(&behind))
        step = mPacer->next(behind, frames);
    if (step.skip > 0) {
        skip(stream, step.skip);
        note(step.start ? "music put in place: skipped %lld ms\n" : "music skipped %lld ms\n", step.skip * 1000 / mRate);
    }
    if (step.silence > 0) {
        mPosition -= step.silence;
        note("music led by %lld ms of silence\n", step.silence * 1000 / mRate);
    }

    // Before the music's zero (a start that must come later): silence.
    if (mPosition < 0) {
        const int quiet = static_cast<int>(std::min<long long>(frames, -mPosition));
        std::memset(out, 0, static_cast<size_t>(quiet) * frameBytes);
        out += quiet * frameBytes;
        frames -= quiet;
        mPosition += quiet;
    }
    if (frames <= 0)
        return;
    if (step.stretch != 0 && frames > 64 && (frames + step.stretch) * mChannels <= static_cast<int>(mScratch.size())) {
        stretchInto(stream, out, frames, step.stretch);
        mPosition += frames + step.stretch;
    } else {
        stream->fill(out, frames * frameBytes);
        mPosition += frames;
    }
    if (bytes % frameBytes)
        std::memset(out + frames * frameBytes, 0, bytes % frameBytes);
}

// Decodes and drops `frames` of music: loops, damaged stretches and chained links pass as they
// would have been heard.
void System::skip(OggStream* stream, long long frames)
{
    const long long most = 60LL * mRate;   // a longer stall than the show is not made up
    frames = std::min(frames, most);
    const long long chunk = static_cast<long long>(mScratch.size()) / mChannels;
    for (long long left = frames; left > 0 && !stream->ended();) {
        const long long now = std::min(left, chunk);
        stream->fill(reinterpret_cast<unsigned char*>(mScratch.data()), static_cast<int>(now * 2 * mChannels));
        left -= now;
    }
    mPosition += frames;
}

// Plays (frames + stretch) music frames in the time of `frames`, by linear interpolation.
void System::stretchInto(OggStream* stream, unsigned char* out, int frames, int stretch)
{
    const int taken = frames + stretch;
    stream->fill(reinterpret_cast<unsigned char*>(mScratch.data()), taken * 2 * mChannels);
    short* to = reinterpret_cast<short*>(out);
    const double step = static_cast<double>(taken) / frames;
    for (int i = 0; i < frames; ++i) {
        const double at = i * step;
        const int a = std::min(static_cast<int>(at), taken - 1);
        const int b = std::min(a + 1, taken - 1);
        const double w = at - a;
        for (int c = 0; c < mChannels; ++c) {
            const double v = mScratch[a * mChannels + c] * (1.0 - w) + mScratch[b * mChannels + c] * w;
            to[i * mChannels + c] = static_cast<short>(v < 0 ? v - 0.5 : v + 0.5);
        }
    }
}

// One line to the file named by KAVRI_SOUND_LOG, for tests; a plain write, no lock.
void System::note(const char* format, long long value) const
{
    if (mLogFd < 0)
        return;
    char line[96];
    const int length = std::snprintf(line, sizeof line, format, value);
    if (length > 0 && ::write(mLogFd, line, static_cast<size_t>(length)) < 0)
        return;   // the show does not depend on its test log
}

Result System::createStream(const char* name, Mode mode, void*, Sound** sound)
{
    if (!sound || !name)
        return ERR_INVALID_PARAM;
    *sound = nullptr;
    if (!mOpen)
        return ERR_INITIALIZATION;

    char path[4096];
    toNativePath(name, path, sizeof path);
    OggStream::Status status = OggStream::OPENED;
    OggStream* stream = OggStream::open(path, (mode & LOOP_NORMAL) != 0, mRate, mChannels, &status, &mWhy);
    switch (status) {
    case OggStream::OPENED:
        break;
    case OggStream::MISSING:
        return ERR_FILE_NOTFOUND;
    case OggStream::REFUSED:
        return ERR_FILE_REFUSED;
    case OggStream::NOT_VORBIS:
        return ERR_FORMAT;
    }
    mWhy.clear();
    *sound = new Sound(this, stream);
    return OK;
}

Result System::playSound(int channelIndex, Sound* sound, bool paused, Channel** channel)
{
    if (channel)
        *channel = nullptr;
    if (!sound)
        return ERR_INVALID_PARAM;
    if (!mOpen)
        return ERR_INITIALIZATION;
    if (channelIndex != CHANNEL_FREE && channelIndex != 0)
        return ERR_INVALID_PARAM;

    play(sound, paused);
    mChannel.mSound = sound;
    if (channel)
        *channel = &mChannel;
    return OK;
}

// The device is fed on its own thread: what it plays changes only while it is locked.
void System::play(Sound* sound, bool paused)
{
    SDL_LockAudioDevice(mDevice);
    mPlaying = sound;
    mPaused = paused;
    SDL_UnlockAudioDevice(mDevice);
}

void System::forget(Sound* sound)
{
    if (mChannel.mSound == sound)
        mChannel.mSound = nullptr;
    if (mOpen && mPlaying == sound)
        play(nullptr, false);
}

Result System::close()
{
    if (!mOpen)
        return OK;
    SDL_CloseAudioDevice(mDevice);   // waits for the callback to return
    mDevice = 0;
    mPlaying = nullptr;
    mClock = nullptr;
    mChannel.mSound = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mOpen = false;
    return OK;
}

Result System::release()
{
    close();
    delete this;
    return OK;
}

} // namespace sound
} // namespace veko
