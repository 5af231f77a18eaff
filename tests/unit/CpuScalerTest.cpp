// SPDX-License-Identifier: MIT
// The picture enlarged on the processor: exact blocks at whole factors; elsewhere flat blocks
// whose border pixels show each picture pixel in proportion to the part of them it covers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "env/CpuScaler.h"

namespace {

std::vector<std::uint32_t> noise(int width, int height)
{
    std::mt19937 random(7);
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    for (std::uint32_t& p : pixels)
        p = random();
    return pixels;
}

// The share of output pixel i (covering [i, i + 1)) that source pixel k covers, when source
// pixels are scale output pixels wide.
double cover(int i, int k, double scale)
{
    return std::max(0.0, std::min(i + 1.0, (k + 1) * scale) - std::max(double(i), k * scale));
}

TEST(CpuScaler, WholeFactorsGiveExactBlocksWithinTheStride)
{
    for (int n : { 1, 2, 3 }) {
        const int w = 64, h = 48, stride = w * n + 5;
        const std::vector<std::uint32_t> source = noise(w, h);
        std::vector<std::uint32_t> out(std::size_t(stride) * h * n, 0xdeadbeef);
        veko::CpuScaler().scale(source.data(), w, h, out.data(), w * n, h * n, stride);
        for (int y = 0; y < h * n; ++y) {
            for (int x = 0; x < w * n; ++x)
                ASSERT_EQ(out[y * stride + x], source[(y / n) * w + x / n]) << n << "x at " << x << "," << y;
            for (int x = w * n; x < stride; ++x)
                ASSERT_EQ(out[y * stride + x], 0xdeadbeefu) << "written past the row at " << x << "," << y;
        }
    }
}

TEST(CpuScaler, OtherFactorsBlendOnlyThePixelsABorderCrosses)
{
    // The show's picture on a 1920x1080 screen (2.25 times), and a resized window.
    struct Size { int width, height; };
    for (const Size size : { Size{ 1440, 1080 }, Size{ 1000, 750 } }) {
        const int w = 640, h = 480;
        const std::vector<std::uint32_t> source = noise(w, h);
        std::vector<std::uint32_t> out(std::size_t(size.width) * size.height);
        veko::CpuScaler scaler;
        scaler.scale(source.data(), w, h, out.data(), size.width, size.height, size.width);
        const double sx = double(size.width) / w, sy = double(size.height) / h;
        int blendedColumns = 0;
        for (int y = 0; y < size.height; ++y) {
            const int ky = int(y / sy);
            for (int x = 0; x < size.width; ++x) {
                const int kx = int(x / sx);
                const std::uint32_t got = out[std::size_t(y) * size.width + x];
                // Covered by one picture pixel: exactly its colour.
                if (cover(x, kx, sx) == 1.0 && cover(y, ky, sy) == 1.0) {
                    ASSERT_EQ(got, source[ky * w + kx]) << size.width << " at " << x << "," << y;
                    continue;
                }
                blendedColumns += y == 0;
                for (int channel = 0; channel < 32; channel += 8) {
                    double expected = 0;
                    for (int j = std::max(0, ky - 1); j <= std::min(h - 1, ky + 1); ++j)
                        for (int i = std::max(0, kx - 1); i <= std::min(w - 1, kx + 1); ++i)
                            expected += cover(x, i, sx) * cover(y, j, sy) * ((source[j * w + i] >> channel) & 0xff);
                    ASSERT_NEAR(double((got >> channel) & 0xff), expected, 1.5)
                        << size.width << " at " << x << "," << y << " channel " << channel / 8;
                }
            }
        }
        // At most one blended pixel at each of the 639 borders between columns.
        EXPECT_LE(blendedColumns, w - 1) << size.width;
        EXPECT_GT(blendedColumns, 0) << size.width;
    }
}

} // namespace
