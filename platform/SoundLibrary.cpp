#include "platform/SoundLibrary.h"

#include "platform/OggStream.h"

#include <SDL2/SDL.h>
#include <alsa/asoundlib.h>

#include <cstring>

namespace veko {
namespace sound {

namespace {

// ALSA prints its own complaints (no card, no mixer) straight to stderr; the show stays quiet.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// The device's buffer: about 46 ms at 44.1 kHz, decoded a packet at a time when it is due.
const int kBufferFrames = 2048;

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

System::System() : mOpen(false), mDevice(0), mRate(0), mChannels(0), mPlaying(nullptr), mPaused(false)
{
    mChannel.mSystem = this;
}

System::~System() {}

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

    snd_lib_error_set_handler(quietAlsa);
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
    mOpen = true;
    SDL_PauseAudioDevice(mDevice, 0);   // silence until a sound plays
    return OK;
}

void System::feed(void* userdata, unsigned char* out, int bytes)
{
    System* system = static_cast<System*>(userdata);
    if (system->mPlaying && !system->mPaused)
        system->mPlaying->mStream->fill(out, bytes);
    else
        std::memset(out, 0, bytes);
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
