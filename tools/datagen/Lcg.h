#pragma once

#include <cstdint>

namespace veko {

// The generator's own random source: a 32-bit linear congruential generator
// with a fixed seed, so star fields and towns come out the same on every run
// whatever the C library's rand() does.
class Lcg {
public:
    explicit Lcg(uint32_t seed) : mState(seed) {}

    // A whole number 0..32767.
    int next()
    {
        mState = mState * 214013u + 2531011u;
        return static_cast<int>((mState >> 16) & 0x7FFF);
    }

    // A number in [lo, hi).
    double uniform(double lo, double hi) { return lo + (hi - lo) * next() / 32768.0; }

    // A whole number in [lo, hi].
    int range(int lo, int hi) { return lo + next() % (hi - lo + 1); }

private:
    uint32_t mState;
};

} // namespace veko
