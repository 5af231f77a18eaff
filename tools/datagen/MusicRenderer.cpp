#include "MusicRenderer.h"

#include "Score.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace veko {

namespace {

const long kTailFrames = 4 * MusicRenderer::kSampleRate; // release and reverb after the last bar
const float kPeak = 0.89f;

void quietLog(int, const char*, void*) {}

} // namespace

bool MusicRenderer::render(const Score& score, const std::string& soundFont, std::vector<float>& samples)
{
    fluid_set_log_function(FLUID_WARN, quietLog, nullptr);
    fluid_set_log_function(FLUID_INFO, quietLog, nullptr);
    fluid_set_log_function(FLUID_DBG, quietLog, nullptr);

    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setnum(settings, "synth.gain", 0.4);
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setint(settings, "synth.reverb.active", 1);
    fluid_settings_setnum(settings, "synth.reverb.room-size", 0.55);
    fluid_settings_setnum(settings, "synth.reverb.level", 0.6);
    fluid_settings_setnum(settings, "synth.reverb.width", 0.8);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth || fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        std::fprintf(stderr, "kavri-datagen: cannot load the sound font %s\n", soundFont.c_str());
        if (synth)
            delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        return false;
    }

    // Render up to each event, then apply it. Only the float output is used:
    // the 16-bit one dithers with rand() and would change from run to run.
    const long total = kFrames + kTailFrames;
    std::vector<float> raw(static_cast<size_t>(total) * 2, 0.0f);
    long done = 0;
    auto renderTo = [&](long frame) {
        frame = std::min(frame, total);
        while (done < frame) {
            int n = static_cast<int>(std::min<long>(frame - done, 4096));
            float* out = raw.data() + done * 2;
            fluid_synth_write_float(synth, n, out, 0, 2, out, 1, 2);
            done += n;
        }
    };
    for (const Score::Event& e : score.events()) {
        renderTo(std::lround(e.time * kSampleRate));
        switch (e.kind) {
        case Score::Kind::Program:
            fluid_synth_program_change(synth, e.channel, e.data1);
            break;
        case Score::Kind::Control:
            fluid_synth_cc(synth, e.channel, e.data1, e.data2);
            break;
        case Score::Kind::NoteOff:
            fluid_synth_noteoff(synth, e.channel, e.data1);
            break;
        case Score::Kind::NoteOn:
            fluid_synth_noteon(synth, e.channel, e.data1, e.data2);
            break;
        }
    }
    renderTo(total);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);

    // Fold the tail onto the start and trim to one loop.
    samples.assign(raw.begin(), raw.begin() + kFrames * 2);
    for (long i = 0; i < kTailFrames * 2; ++i)
        samples[i] += raw[kFrames * 2 + i];

    float peak = 0;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    if (peak > 0) {
        const float gain = kPeak / peak;
        for (float& s : samples)
            s *= gain;
    }
    return true;
}

} // namespace veko
