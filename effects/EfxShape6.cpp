#include "effects/EfxShape6.h"

#include <cmath>

#include "env/Env.h"

using namespace irr;

namespace veko {

EfxShape6::EfxShape6() : mLogoTexture(nullptr), mTileTexture(nullptr)
{
}

void EfxShape6::init()
{
    video::IVideoDriver* driver = Env::instance()->driver();
    mTileTexture = driver->getTexture("../data/textures/veko.png");
    mLogoTexture = driver->getTexture("../data/textures/zuli!.png");
}

void EfxShape6::shutdown()
{
}

video::SColor EfxShape6::tileTint(f32 t)
{
    return std::fmod(t, 1.0f) < 0.5f ? video::SColor(255, 0, 0, 0) : video::SColor(255, 255, 255, 255);
}

core::rect<s32> EfxShape6::logoRect(f32 t)
{
    const f32 s = std::fmod(t, 0.31f) * 550 + 20;
    return core::rect<s32>(static_cast<s32>(320 - s), static_cast<s32>(240 - 0.75f * s),
                           static_cast<s32>(320 + s), static_cast<s32>(240 + 0.75f * s));
}

void EfxShape6::idle(float dt)
{
    Effect::idle(dt);
    const f32 t = localTime();
    video::IVideoDriver* driver = Env::instance()->driver();

    const video::SColor tint = tileTint(t);
    const video::SColor tints[4] = { tint, tint, tint, tint };

    driver->draw2DRectangle(video::SColor(255, 16, 64, 0), core::rect<s32>(0, 0, 640, 480));

    // 5 x 8 tiles of 128 x 60 cover the screen, each stretching the texture's top left 32 x 8.
    const core::rect<s32> tileSource(0, 0, 32, 8);
    for (s32 i = 0; i < 8; ++i)
        for (s32 j = 0; j < 5; ++j)
            driver->draw2DImage(mTileTexture, core::rect<s32>(128 * j, 60 * i, 128 * j + 128, 60 * i + 60),
                                tileSource, nullptr, tints, true);

    driver->draw2DImage(mLogoTexture, logoRect(t), core::rect<s32>(0, 0, 512, 256), nullptr, nullptr, true);
}

} // namespace veko
