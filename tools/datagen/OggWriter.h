#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veko {

// Encodes interleaved float samples as an Ogg Vorbis file with libvorbisenc.
// The stream serial number is fixed so that the same samples always give the
// same bytes.
class OggWriter {
public:
    static bool write(const std::string& path, const std::vector<float>& samples, int channels, int sampleRate,
                      float quality, uint32_t serial);
};

} // namespace veko
