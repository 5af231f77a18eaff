#ifndef VEKO_CPU_SCALER_H
#define VEKO_CPU_SCALER_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veko {

// Enlarges a picture with sharp pixels on the processor, by the same rule as SharpScaler's
// shader: every picture pixel becomes a flat block, and only the one output pixel that a
// border between two picture pixels crosses is blended, in proportion to how much of it lies
// on either side. At a whole factor every pixel is an exact n x n block.
//
// The rule is separable: each output column takes a pair of source columns and a weight, each
// output row a pair of source rows and a weight. A frame scales every source row it needs
// across once, then blends two such rows per output row.
//
// Pixels are 32 bits of four 8-bit channels, blended alike (any channel order), rows top first.
class CpuScaler {
public:
    CpuScaler();

    // source: sourceWidth x sourceHeight pixels, packed; out: outWidth x outHeight pixels,
    // outStride pixels from one row to the next.
    void scale(const std::uint32_t* source, int sourceWidth, int sourceHeight, std::uint32_t* out, int outWidth,
               int outHeight, std::size_t outStride);

private:
    // For each output pixel along one axis: out = first * (256 - weight) + second * weight, / 256.
    struct Axis {
        int from = 0, to = 0;
        std::vector<int> first, second;
        std::vector<std::uint16_t> weight;   // 0 (a plain copy) to 128 (half and half)
        std::vector<int> blended;             // the outputs whose weight is not 0
        void build(int sourceSize, int outSize);
    };

    const std::uint32_t* scaledRow(const std::uint32_t* source, int row);

    Axis mColumns, mRows;
    std::vector<std::uint32_t> mRowCache[2];   // source rows scaled across: even rows, odd rows
    int mCachedRow[2];
};

} // namespace veko

#endif
