#pragma once

#include <string>
#include <vector>

namespace veko {

class Score;

// Plays a score through FluidSynth offline into a stereo float buffer that is
// exactly one loop long: what rings on past the end is mixed onto the start,
// so the stream loops without a seam.
class MusicRenderer {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr long kFrames = 3119105; // 70.728 s

    // Fills interleaved stereo samples, peak-normalised; false (with a
    // message) if the synthesizer or the sound font cannot be loaded.
    static bool render(const Score& score, const std::string& soundFont, std::vector<float>& samples);
};

} // namespace veko
