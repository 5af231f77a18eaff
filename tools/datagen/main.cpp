// SPDX-License-Identifier: MIT
// kavri-datagen: writes the show's data folder (music, models, textures).
//
//   kavri-datagen [--bench] <data dir>
//   kavri-datagen --icon <png file>
//
// Everything is made from code in this folder: the same bytes on every run.
// --bench also reports how long each part took and how big the folder is.

#include "ModelSet.h"
#include "MusicRenderer.h"
#include "OggWriter.h"
#include "Score.h"
#include "TextureSet.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool sBench = false;

bool writeMusic(const std::string& dir)
{
    const Clock::time_point start = Clock::now();
    veko::Score score;
    std::vector<float> samples;
    if (!veko::MusicRenderer::render(score, KAVRI_SOUNDFONT, samples))
        return false;
    if (sBench)
        std::printf("  synth   %6.2f s\n", secondsSince(start));
    const Clock::time_point encodeStart = Clock::now();
    const uint32_t serial = 0x7a617a61; // "zaza"
    bool ok = veko::OggWriter::write(dir + "/zaza.ogg", samples, 2, veko::MusicRenderer::kSampleRate, 0.2f, serial);
    if (sBench)
        std::printf("  encode  %6.2f s\n", secondsSince(encodeStart));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    std::string root;
    bool icon = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--bench") == 0)
            sBench = true;
        else if (std::strcmp(argv[i], "--icon") == 0)
            icon = true;
        else
            root = argv[i];
    }
    if (root.empty()) {
        std::fprintf(stderr, "usage: kavri-datagen [--bench] <data dir>\n       kavri-datagen --icon <png file>\n");
        return 2;
    }
    if (icon) {
        if (veko::TextureSet::writeIcon(root))
            return 0;
        std::fprintf(stderr, "kavri-datagen: cannot write the icon %s\n", root.c_str());
        return 1;
    }

    namespace fs = std::filesystem;
    const std::string textures = root + "/textures", models = root + "/models", stream = root + "/stream";
    std::error_code error;
    for (const std::string& dir : {textures, models, stream}) {
        fs::create_directories(dir, error);
        if (error) {
            std::fprintf(stderr, "kavri-datagen: cannot create %s: %s\n", dir.c_str(), error.message().c_str());
            return 1;
        }
    }

    struct Part {
        const char* name;
        bool (*write)(const std::string&);
        std::string dir;
    };
    const Part parts[] = {
        {"textures", veko::TextureSet::writeAll, textures},
        {"models", veko::ModelSet::writeAll, models},
        {"music", writeMusic, stream},
    };
    const Clock::time_point start = Clock::now();
    for (const Part& part : parts) {
        const Clock::time_point partStart = Clock::now();
        if (!part.write(part.dir)) {
            std::fprintf(stderr, "kavri-datagen: writing the %s failed\n", part.name);
            return 1;
        }
        if (sBench)
            std::printf("%-9s %6.2f s\n", part.name, secondsSince(partStart));
    }

    if (sBench) {
        std::printf("%-9s %6.2f s\n", "total", secondsSince(start));
        uintmax_t bytes = 0;
        int files = 0;
        for (const auto& entry : fs::recursive_directory_iterator(root))
            if (entry.is_regular_file()) {
                bytes += entry.file_size();
                ++files;
            }
        std::printf("data      %d files, %ju bytes (%.2f MB)\n", files, bytes, bytes / 1048576.0);
    }
    return 0;
}
