#include "platform/SoundLibrary.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <alsa/asoundlib.h>

#include <cstdio>
#include <cstring>

namespace veko {
namespace sound {

namespace {

// ALSA prints its own complaints (no card, no mixer) straight to stderr; the show stays quiet.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

bool fileReadable(const char* path)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

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

Sound::Sound(System* system, _Mix_Music* music, bool loop)
    : mSystem(system), mMusic(music), mLoop(loop)
{
}

Sound::~Sound()
{
    Mix_FreeMusic(mMusic);
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
    return mSound != nullptr && mSystem->isOpen() && Mix_PlayingMusic() != 0;
}

// --- System ------------------------------------------------------------------------------

System::System() : mOpen(false)
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
    Mix_Init(MIX_INIT_OGG);
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return ERR_INITIALIZATION;
    }
    mOpen = true;
    return OK;
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
    if (!fileReadable(path))
        return ERR_FILE_NOTFOUND;

    // Mix_LoadMUS reads the header now and decodes the rest while playing.
    Mix_Music* music = Mix_LoadMUS(path);
    if (!music)
        return ERR_FORMAT;
    *sound = new Sound(this, music, (mode & LOOP_NORMAL) != 0);
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

    // -1 loops forever; the Ogg decoder seeks back to the first sample, without a gap.
    if (Mix_PlayMusic(sound->mMusic, sound->mLoop ? -1 : 1) != 0)
        return ERR_FORMAT;
    if (paused)
        Mix_PauseMusic();
    mChannel.mSound = sound;
    if (channel)
        *channel = &mChannel;
    return OK;
}

void System::forget(Sound* sound)
{
    if (mChannel.mSound == sound) {
        if (mOpen)
            Mix_HaltMusic();
        mChannel.mSound = nullptr;
    }
}

Result System::close()
{
    if (!mOpen)
        return OK;
    Mix_HaltMusic();
    mChannel.mSound = nullptr;
    Mix_CloseAudio();
    Mix_Quit();
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
