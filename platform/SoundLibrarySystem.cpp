#include "platform/SoundLibrarySystem.h"

#include <SDL2/SDL.h>
#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace veko {
namespace sound {

namespace {

// ALSA prints its own complaints (no card, no mixer) straight to stderr; the show stays quiet.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

} // namespace

void quietSystemSound()
{
    snd_lib_error_set_handler(quietAlsa);
}

// Only a device on SDL's PipeWire driver is watched this way (kQuietDeviceMs, SoundLibrary.cpp).
unsigned long long soundServerIdentity()
{
    const char* driver = SDL_GetCurrentAudioDriver();
    if (!driver || std::strcmp(driver, "pipewire") != 0)
        return 0;
    const char* dir = std::getenv("PIPEWIRE_RUNTIME_DIR");
    if (!dir || !*dir)
        dir = std::getenv("XDG_RUNTIME_DIR");
    const char* name = std::getenv("PIPEWIRE_REMOTE");
    if (!dir || !*dir)
        return 0;
    const std::string path = (name && name[0] == '/') ? std::string(name) : std::string(dir) + "/" + (name && *name ? name : "pipewire-0");
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return 1;   // gone
    // A server that was killed leaves its socket behind: nobody answers there.
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return 0;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return 0;
    const bool answers = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    if (!answers)
        return 1;
    // A socket made again may get the same inode: when it was made tells them apart.
    return (static_cast<unsigned long long>(info.st_ino) << 32) ^ static_cast<unsigned long long>(info.st_ctim.tv_sec) * 1000000000ULL ^
           static_cast<unsigned long long>(info.st_ctim.tv_nsec) ^ 2;
}

} // namespace sound
} // namespace veko
