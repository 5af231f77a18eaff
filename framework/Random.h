#ifndef VEKO_RANDOM_H
#define VEKO_RANDOM_H

#include <irrlicht.h>

namespace veko {

// A linear congruential generator with a 32-bit state. The show draws only from shared(),
// which starts at state 1 and is never reseeded, so every run shows the same picture.
class Random {
public:
    explicit Random(irr::u32 seed = 1) : mState(seed) {}

    // A whole number 0..32767.
    irr::s32 next()
    {
        mState = mState * 214013u + 2531011u;
        return static_cast<irr::s32>((mState >> 16) & 0x7FFF);
    }

    // The program's one random source.
    static Random& shared();

private:
    irr::u32 mState;
};

} // namespace veko

#endif
