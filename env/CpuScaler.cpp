#include "env/CpuScaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace veko {

namespace {

// Two channels at once: a pixel's bytes 0 and 2, or 1 and 3 shifted down, each in 16 bits.
inline std::uint32_t blendPair(std::uint32_t a, std::uint32_t b, std::uint32_t w)
{
    return ((a * (256 - w) + b * w + 0x00800080u) >> 8) & 0x00ff00ffu;
}

inline std::uint32_t blendPixel(std::uint32_t a, std::uint32_t b, std::uint32_t w)
{
    return blendPair(a & 0x00ff00ffu, b & 0x00ff00ffu, w) | blendPair((a >> 8) & 0x00ff00ffu, (b >> 8) & 0x00ff00ffu, w) << 8;
}

inline std::uint8_t blendByte(std::uint8_t a, std::uint8_t b, std::uint16_t wa, std::uint16_t wb)
{
    return static_cast<std::uint8_t>((std::uint16_t(a * wa) + std::uint16_t(b * wb) + 128u) >> 8);
}

// Byte by byte in 16 bits, in blocks of 16 that the compiler turns into vector instructions.
void blendRows(std::uint8_t* __restrict out, const std::uint8_t* __restrict a, const std::uint8_t* __restrict b,
               std::size_t bytes, std::uint32_t w)
{
    const std::uint16_t wa = static_cast<std::uint16_t>(256 - w), wb = static_cast<std::uint16_t>(w);
    std::size_t k = 0;
    for (; k + 16 <= bytes; k += 16)
        for (std::size_t i = 0; i < 16; ++i)
            out[k + i] = blendByte(a[k + i], b[k + i], wa, wb);
    for (; k < bytes; ++k)
        out[k] = blendByte(a[k], b[k], wa, wb);
}

} // namespace

CpuScaler::CpuScaler() : mCachedRow{ -1, -1 } {}

// The output pixel i has its centre at (i + 0.5) / scale in source pixels. Within a source
// pixel it takes that pixel's colour, except within half an output pixel of a border, where
// the neighbour's share is the part of the output pixel beyond the border: 0.5 minus the
// centre's distance to the border, in output pixels. Edges have no neighbour.
void CpuScaler::Axis::build(int sourceSize, int outSize)
{
    from = sourceSize;
    to = outSize;
    first.resize(outSize);
    second.resize(outSize);
    weight.resize(outSize);
    blended.clear();
    const double scale = double(outSize) / sourceSize;
    const double inner = 0.5 - 0.5 / scale;
    for (int i = 0; i < outSize; ++i) {
        const double centre = (i + 0.5) / scale;
        const int pixel = std::min(sourceSize - 1, int(std::floor(centre)));
        const double offset = centre - pixel - 0.5;
        const double beyond = std::max(0.0, std::fabs(offset) - inner) * scale;
        const int neighbour = std::clamp(offset < 0 ? pixel - 1 : pixel + 1, 0, sourceSize - 1);
        const int w = neighbour == pixel ? 0 : int(std::lround(beyond * 256));
        first[i] = pixel;
        second[i] = w ? neighbour : pixel;
        weight[i] = static_cast<std::uint16_t>(std::min(w, 128));
        if (w)
            blended.push_back(i);
    }
}

const std::uint32_t* CpuScaler::scaledRow(const std::uint32_t* source, int row)
{
    std::vector<std::uint32_t>& cached = mRowCache[row & 1];
    if (mCachedRow[row & 1] == row)
        return cached.data();
    const std::uint32_t* in = source + std::size_t(row) * mColumns.from;
    cached.resize(mColumns.to);
    // Every pixel the nearest one first, then the few that a border crosses blended.
    const int* first = mColumns.first.data();
    std::uint32_t* out = cached.data();
    for (int x = 0; x < mColumns.to; ++x)
        out[x] = in[first[x]];
    for (int x : mColumns.blended)
        out[x] = blendPixel(in[first[x]], in[mColumns.second[x]], mColumns.weight[x]);
    mCachedRow[row & 1] = row;
    return cached.data();
}

void CpuScaler::scale(const std::uint32_t* source, int sourceWidth, int sourceHeight, std::uint32_t* out,
                      int outWidth, int outHeight, std::size_t outStride)
{
    if (sourceWidth <= 0 || sourceHeight <= 0 || outWidth <= 0 || outHeight <= 0)
        return;
    if (mColumns.from != sourceWidth || mColumns.to != outWidth)
        mColumns.build(sourceWidth, outWidth);
    if (mRows.from != sourceHeight || mRows.to != outHeight)
        mRows.build(sourceHeight, outHeight);
    // A new frame: nothing cached is still valid.
    mCachedRow[0] = mCachedRow[1] = -1;

    const std::size_t bytes = std::size_t(outWidth) * 4;
    for (int y = 0; y < outHeight; ++y) {
        std::uint8_t* line = reinterpret_cast<std::uint8_t*>(out + std::size_t(y) * outStride);
        const std::uint8_t* a = reinterpret_cast<const std::uint8_t*>(scaledRow(source, mRows.first[y]));
        const std::uint32_t w = mRows.weight[y];
        if (!w) {
            std::memcpy(line, a, bytes);
            continue;
        }
        const std::uint8_t* b = reinterpret_cast<const std::uint8_t*>(scaledRow(source, mRows.second[y]));
        blendRows(line, a, b, bytes, w);
    }
}

} // namespace veko
