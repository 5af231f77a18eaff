// SPDX-License-Identifier: MIT
// Plays a track through the show's sound layer, as the show does (one looping stream), for a
// number of seconds and prints the processor time used meanwhile. With SDL's disk driver the
// device runs at the real pace without any sound card; it writes to a regular file (newer SDL,
// 2.32 in Debian 13, refuses /dev/null):
//
//   SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/tmp/heard.raw kavri-soundbench ../data/stream/zaza.ogg 20

#include "platform/SoundLibrary.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <sys/resource.h>

#include <SDL2/SDL.h>

namespace sound = veko::sound;

namespace {

double processorSeconds()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TRACK.ogg [SECONDS]\n", argv[0]);
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 20.0;

    sound::System* system = nullptr;
    sound::System_Create(&system);
    sound::Sound* music = nullptr;
    sound::Channel* channel = nullptr;
    if (system->init(1, sound::INIT_NORMAL, nullptr) != sound::OK) {
        // SDL's own words, e.g. the disk driver's file that cannot be written.
        std::fprintf(stderr, "cannot open the audio device: %s\n", SDL_GetError());
        system->release();
        return 1;
    }
    if (system->createStream(argv[1], sound::LOOP_NORMAL | sound::MODE_2D | sound::HARDWARE, nullptr, &music) != sound::OK ||
        system->playSound(sound::CHANNEL_FREE, music, false, &channel) != sound::OK) {
        std::fprintf(stderr, "cannot play %s\n", argv[1]);
        system->release();
        return 1;
    }

    const double before = processorSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double used = processorSeconds() - before;
    std::printf("%.1f s of music: %.3f s of processor time (%.2f %% of one core), %s\n", seconds, used,
                100.0 * used / seconds, channel->isPlaying() ? "still playing" : "stopped");

    music->release();
    system->close();
    system->release();
    return 0;
}
