// Smoke test of the cross-built libraries: opens a 640x480 OpenGL window (or the full screen
// at 640x480 when argv[2] is "fullscreen") with the static Irrlicht, draws a coloured rectangle
// and a PNG (path in argv[1]) for about two seconds, checks that vorbisfile links, opens the
// default audio device with SDL2 (its absence is reported, not fatal), and ends 0.
// Built and run under Wine by smoke.sh; not part of the program.
#include <irrlicht.h>
#define SDL_MAIN_HANDLED
#include <SDL2/SDL.h>
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>
#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

using namespace irr;

// vorbisfile links and turns away a stream that is not Ogg Vorbis.
static void tryVorbis()
{
    static const char junk[64] = "not an ogg stream";
    size_t offset = 0;
    ov_callbacks io{};
    io.read_func = [](void* out, size_t size, size_t count, void* src) -> size_t {
        size_t& at = *static_cast<size_t*>(src);
        size_t n = size * count < sizeof(junk) - at ? size * count : sizeof(junk) - at;
        std::memcpy(out, junk + at, n);
        at += n;
        return size ? n / size : 0;
    };
    OggVorbis_File file;
    int result = ov_open_callbacks(&offset, &file, nullptr, 0, io);
    std::printf("vorbis: junk stream -> %d (%s)\n", result,
                result == OV_ENOTVORBIS ? "OV_ENOTVORBIS, as it should" : "unexpected");
    if (result == 0)
        ov_clear(&file);
}

// Opens and closes the default playback device; true if SDL could.
static bool tryAudio()
{
    SDL_SetMainReady();
    if (SDL_Init(SDL_INIT_AUDIO) != 0) {
        std::printf("audio: SDL_Init failed: %s\n", SDL_GetError());
        return false;
    }
    std::printf("audio: driver %s, %d playback device(s)\n",
                SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "(none)",
                SDL_GetNumAudioDevices(0));
    SDL_AudioSpec want{}, have{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;  // no callback: silence queued by nobody
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    bool opened = dev != 0;
    if (opened) {
        std::printf("audio: opened %d Hz, %d channels\n", have.freq, have.channels);
        SDL_CloseAudioDevice(dev);
    } else {
        std::printf("audio: no device: %s\n", SDL_GetError());
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_Quit();
    return opened;
}

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // smoke.sh watches the log as it grows
    const char* pngPath = argc > 1 ? argv[1] : "smoke.png";
    const bool fullscreen = argc > 2 && std::strcmp(argv[2], "fullscreen") == 0;

    IrrlichtDevice* device = createDevice(video::EDT_OPENGL, core::dimension2du(640, 480), 32,
                                          fullscreen, false, false, nullptr);
    if (!device) {
        std::printf("video: no OpenGL device\n");
        return 1;
    }
    video::IVideoDriver* driver = device->getVideoDriver();
    std::printf("video: %ls\n", driver->getName());
    std::printf("video: GL_RENDERER %s, GL_VENDOR %s\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VENDOR)));
    video::ITexture* picture = driver->getTexture(pngPath);
    if (!picture) {
        std::printf("video: could not load %s\n", pngPath);
        device->drop();
        return 1;
    }

    std::printf("video: drawing\n");
    const u32 start = device->getTimer()->getRealTime();
    u32 frames = 0;
    while (device->run() && device->getTimer()->getRealTime() - start < 2000) {
        driver->beginScene(true, true, video::SColor(255, 20, 20, 60));
        driver->draw2DRectangle(video::SColor(255, 230, 40, 40), core::rect<s32>(40, 40, 300, 200));
        driver->draw2DImage(picture, core::position2d<s32>(340, 240));
        driver->endScene();
        ++frames;
    }
    std::printf("video: %u frames in 2 s\n", frames);
    device->closeDevice();
    device->run();
    device->drop();

    tryVorbis();
    tryAudio();
    std::printf("smoke: ok\n");
    return 0;
}
