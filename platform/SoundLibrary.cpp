#include "platform/SoundLibrary.h"

#include "platform/ClockShare.h"
#include "platform/LogFile.h"
#include "platform/MusicPacer.h"
#include "platform/OggStream.h"
#include "platform/Report.h"
#include "platform/ShowClock.h"
#include "platform/SoundLibrarySystem.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace veko {
namespace sound {

namespace {

// The device's buffer: about 46 ms at 44.1 kHz, decoded a packet at a time when it is due.
const int kBufferFrames = 2048;

// A frame reaches the screen about this long after the show time it shows (the time to draw
// it); the music is put as much later, so a scene change is heard just after it is seen.
// Measured through PulseAudio: without it, scene changes were heard 3 ms after they were seen
// (median; the first, a heavy frame, 21 ms before).
const int kPictureLatencyMs = 12;

// A device plays once it asks at its pace: this many times in a row, each between a quarter of
// a buffer's time (less is filling its queue) and two (more is a sink that has not really
// started: a PulseAudio null sink renders its first ticks 2 s ahead at once, then waits).
const int kSteadyAsks = 4;

// Closing a device joins SDL's audio thread, which may wait for a sink that asks for nothing
// (a suspended one). The show waits this long for it, then leaves the device behind.
const int kMostCloseMs = 500;

// A lost device is looked for again this often, for this long.
const int kReopenEveryMs = 500;
const int kMostReopenMs = 10000;

// SDL's PipeWire driver does not notice its server going away: the device just stops asking.
// One that asked nothing for this long is looked at (then as often): if the server's socket is
// gone, answers no more or is another one (a restarted server), the device is lost.
const int kQuietDeviceMs = 1000;

} // namespace

// SDL's callback gets one of these. Letting go of a device cuts it off the system first, so a
// device whose thread is stuck in the sound server and wakes up later only plays silence.
struct System::Feeder {
    std::atomic<System*> system;
};

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
    : mOpen(false), mDevice(0), mFeeder(nullptr), mRate(0), mChannels(0), mPlaying(nullptr), mPaused(false),
      mClock(nullptr), mOffsetMs(0), mBufferFrames(0), mPacer(nullptr), mPosition(0), mQuiet(0), mContinuesSeen(0), mLogFd(-1),
      mStart(AT_ONCE), mZeroMs(0), mWaitFromMs(0), mLastFeedMs(-1), mSteadyAsks(0), mDevicePlays(false), mAtPace(false), mLostAtMs(-1), mNextTryMs(0), mServer(0), mNextLookMs(0)
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

    quietSystemSound();
    SDL_SetMainReady();   // the show's own entry stands in for SDL's
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return ERR_INITIALIZATION;
    if (!openDevice(false)) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return ERR_INITIALIZATION;
    }
    mOpen = true;
    return OK;
}

// 16-bit at 44.1 kHz stereo, or the device's own rate and channels: each stream converts.
// A device opened again keeps the first one's format (SDL converts), as the streams do.
bool System::openDevice(bool sameFormat)
{
    SDL_AudioSpec want, have;
    SDL_zero(want);
    want.freq = sameFormat ? mRate : 44100;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(sameFormat ? mChannels : 2);
    want.samples = kBufferFrames;
    want.callback = feed;
    Feeder* feeder = new Feeder;
    feeder->system = this;
    want.userdata = feeder;
    const int changes = sameFormat ? 0 : SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE;
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, changes);
    if (device == 0) {
        delete feeder;
        return false;
    }
    mDevice = device;
    mFeeder = feeder;
    mRate = have.freq;
    mChannels = have.channels;
    mBufferFrames = have.samples;
    // Room for a buffer, its stretch, and the frames a skip throws away in one go.
    mScratch.assign(static_cast<size_t>(2 * have.samples + 64) * have.channels, 0);
    mLastFeedMs = -1;
    mServer = soundServerIdentity();
    mSteadyAsks = 0;
    mDevicePlays = false;
    SDL_PauseAudioDevice(mDevice, 0);   // silence until a sound plays
    return true;
}

// Lets go of the device (and, with quitAudio, of SDL's audio): the device is cut off from the
// system at once; SDL's closing, which joins its audio thread, is waited for kMostCloseMs at most.
// False when it did not finish in that time: it goes on by itself, and SDL's audio is not to be
// used again.
bool System::closeDevice(bool quitAudio)
{
    SDL_LockAudioDevice(mDevice);   // waits for a callback under way, never for the server
    mFeeder->system = nullptr;
    SDL_UnlockAudioDevice(mDevice);

    // The closing runs on a thread of its own; whichever of the two is done with it last
    // frees what they share.
    struct Closing {
        SDL_AudioDeviceID device;
        Feeder* feeder;
        bool quitAudio;
        SDL_sem* done;
        SDL_atomic_t users;
        static void leave(Closing* closing)
        {
            if (SDL_AtomicAdd(&closing->users, -1) == 1) {
                SDL_DestroySemaphore(closing->done);
                delete closing;
            }
        }
        static int run(void* data)
        {
            Closing* closing = static_cast<Closing*>(data);
            SDL_CloseAudioDevice(closing->device);
            if (closing->quitAudio)
                SDL_QuitSubSystem(SDL_INIT_AUDIO);
            delete closing->feeder;
            SDL_SemPost(closing->done);
            leave(closing);
            return 0;
        }
    };
    Closing* closing = new Closing;
    closing->device = mDevice;
    closing->feeder = mFeeder;
    closing->quitAudio = quitAudio;
    closing->done = SDL_CreateSemaphore(0);
    SDL_AtomicSet(&closing->users, 2);
    mDevice = 0;
    mFeeder = nullptr;
    SDL_Thread* thread = closing->done ? SDL_CreateThread(Closing::run, "kavri-close-audio", closing) : nullptr;
    if (!thread) {   // no thread to spare: closed here, waiting as long as it takes
        SDL_AtomicSet(&closing->users, 1);
        Closing::run(closing);
        return true;
    }
    SDL_DetachThread(thread);
    const bool closed = SDL_SemWaitTimeout(closing->done, kMostCloseMs) == 0;
    Closing::leave(closing);
    return closed;
}

// On the audio thread, at every buffer the device asks for.
void System::noteTheDevicesPace()
{
    const long long now = ShowClock::monotonicMilliseconds();
    const long long gapTimesRate = (now - mLastFeedMs) * mRate * 4;   // in quarters of a frame
    mAtPace = mLastFeedMs >= 0 && gapTimesRate >= 1000LL * mBufferFrames && gapTimesRate <= 8000LL * mBufferFrames;
    if (!mDevicePlays) {
        mSteadyAsks = mAtPace ? mSteadyAsks + 1 : 0;
        mDevicePlays = mSteadyAsks >= kSteadyAsks;
    }
    mLastFeedMs = now;
}

void System::feed(void* userdata, unsigned char* out, int bytes)
{
    System* system = static_cast<Feeder*>(userdata)->system;
    if (system)
        system->feedNow(out, bytes);
    else
        std::memset(out, 0, bytes);
}

void System::feedNow(unsigned char* out, int bytes)
{
    noteTheDevicesPace();
    if (!mPlaying || mPaused)
        std::memset(out, 0, bytes);
    else if (!mClock)
        mPlaying->mStream->fill(out, bytes);
    else
        feedInPlace(mPlaying->mStream, out, bytes);
}

void System::follow(const ClockShare* clock, int offsetMs)
{
    if (!mOpen)
        return;
    MusicPacer* pacer = clock ? new MusicPacer(mRate, mBufferFrames) : nullptr;
    const char* log = std::getenv("KAVRI_SOUND_LOG");
    if (mLogFd < 0 && log && *log)
        mLogFd = openLogFile(log, LogStart::APPEND);
    SDL_LockAudioDevice(mDevice);
    std::swap(mPacer, pacer);
    mClock = clock;
    mOffsetMs = offsetMs + kPictureLatencyMs;
    mPosition = 0;
    mQuiet = 0;
    mContinuesSeen = ShowClock::continuesSoFar();
    SDL_UnlockAudioDevice(mDevice);
    delete pacer;
}

void System::beginWhenPlaying()
{
    if (!mOpen || !mClock)
        return;
    SDL_LockAudioDevice(mDevice);
    mStart = WAITING;
    mWaitFromMs = ShowClock::monotonicMilliseconds();
    SDL_UnlockAudioDevice(mDevice);
}

bool System::begun(long long* zeroMs) const
{
    if (mStart == WAITING && mPlaying)
        return false;
    // Nothing to wait for (no music, no device): the show starts now.
    *zeroMs = mStart == BEGUN ? mZeroMs.load() : ShowClock::monotonicMilliseconds();
    return true;
}

long long System::beginNow()
{
    int waiting = WAITING;
    if (!mStart.compare_exchange_strong(waiting, AT_ONCE))
        return waiting == BEGUN ? mZeroMs.load() : ShowClock::monotonicMilliseconds();
    // The device has not played yet: the music starts from the clock, as a late device allows.
    const long long now = ShowClock::monotonicMilliseconds();
    mZeroMs = now;
    note("music begun before the device played, after %lld ms\n", now - mWaitFromMs);
    return now;
}

// Frames the show clock's music position is ahead of the next frame the device gets. False
// while the clock cannot be believed: the process was stopped since its last reading, and the
// stop is in the monotonic clock but not in the show's; the loop reads it afresh at once. The
// first reading after a stop puts the music in place again.
bool System::lag(long long* frames)
{
    ClockShare::Reading reading;
    if (!mClock->latest(&reading) || reading.continues != ShowClock::continuesSoFar() || reading.stampMs < mZeroMs)
        return false;
    if (reading.continues != mContinuesSeen) {
        mContinuesSeen = reading.continues;
        mPacer->resume();
    }
    const long long showMs = reading.showMs + (ShowClock::monotonicMilliseconds() - reading.stampMs);
    *frames = (showMs - mOffsetMs) * mRate / 1000 - (mPosition - mQuiet);
    return true;
}

void System::feedInPlace(OggStream* stream, unsigned char* out, int bytes)
{
    const int frameBytes = 2 * mChannels;
    int frames = bytes / frameBytes;
    long long behind = 0;
    MusicPacer::Step step;
    if (mStart == WAITING) {
        // Silence until the device takes what it is given; then the music begins in this
        // buffer, and the show clock's zero is now: the lag is the offset, exactly.
        if (!mDevicePlays) {
            std::memset(out, 0, bytes);
            return;
        }
        const long long now = ShowClock::monotonicMilliseconds();
        mZeroMs = now;
        int waiting = WAITING;
        if (mStart.compare_exchange_strong(waiting, BEGUN))
            note("music begun when the device played, after %lld ms\n", now - mWaitFromMs);
        step = mPacer->next(-1LL * mOffsetMs * mRate / 1000, frames, true);
    } else if (lag(&behind)) {
        step = mPacer->next(behind, frames, mAtPace);
    }
    if (step.quiet) {
        std::memset(out, 0, bytes);
        return;
    }
    if (step.skip > 0) {
        // Silence still to come is skipped first.
        const long long unheard = std::min(mQuiet, step.skip);
        mQuiet -= unheard;
        skip(stream, step.skip - unheard);
        note(step.start ? "music put in place: skipped %lld ms\n" : "music skipped %lld ms\n", step.skip * 1000 / mRate);
    }
    if (step.silence > 0) {
        mQuiet += step.silence;
        note("music led by %lld ms of silence\n", step.silence * 1000 / mRate);
    }

    // Silence the music waits behind (a start that must come later, a put back).
    if (mQuiet > 0) {
        const int quiet = static_cast<int>(std::min<long long>(frames, mQuiet));
        std::memset(out, 0, static_cast<size_t>(quiet) * frameBytes);
        out += quiet * frameBytes;
        frames -= quiet;
        mQuiet -= quiet;
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
    if (mDevice && !closeDevice(true))
        note("the sound device did not let go within %lld ms; it is left behind\n", kMostCloseMs);
    else if (!mDevice)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mPlaying = nullptr;
    mClock = nullptr;
    mChannel.mSound = nullptr;
    mOpen = false;
    return OK;
}

// Whether SDL gave the device up, or it stopped asking and its server is another one now.
bool System::deviceLost() const
{
    if (SDL_GetAudioDeviceStatus(mDevice) == SDL_AUDIO_STOPPED)
        return true;
    const long long last = mLastFeedMs, now = ShowClock::monotonicMilliseconds();
    if (mServer == 0 || last < 0 || now - last < kQuietDeviceMs || now < mNextLookMs)
        return false;
    mNextLookMs = now + kQuietDeviceMs;
    return soundServerIdentity() != mServer;
}

void System::keepDevice()
{
    if (!mOpen || (mDevice && !deviceLost()))
        return;
    const long long now = ShowClock::monotonicMilliseconds();
    if (mDevice) {
        // SDL gave the device up (its server went away). Its thread is not waiting for the
        // server any more, so it lets go at once; if it does not, SDL's audio is left alone.
        mLostAtMs = now;
        mNextTryMs = now;
        if (!closeDevice(false)) {
            report("the sound device was lost and does not let go; the show goes on silent");
            mOpen = false;
            return;
        }
    }
    if (now < mNextTryMs)
        return;
    mNextTryMs = now + kReopenEveryMs;
    // SDL's audio is started afresh: a driver holds its connection to the server it found.
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 && openDevice(true)) {
        // The new device gets silence until it asks at its pace; then the music is put at the
        // show's time.
        SDL_LockAudioDevice(mDevice);
        if (mPacer)
            mPacer->newDevice();
        SDL_UnlockAudioDevice(mDevice);
        report("the sound device was lost; it was opened again and the music goes on at its place");
        return;
    }
    if (now - mLostAtMs >= kMostReopenMs) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        mOpen = false;
        report("the sound device was lost and none could be opened again; the show goes on silent");
    }
}

Result System::release()
{
    close();
    delete this;
    return OK;
}

} // namespace sound
} // namespace veko
