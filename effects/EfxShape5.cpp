#include "effects/EfxShape5.h"

#include <cmath>

#include "env/Env.h"

using namespace irr;

namespace veko {

namespace {

// Top left corners of the hearts' unscaled squares, before each is shifted by 14 * index.
const s32 kHeartX[3] = { 60, 100, 140 };
const s32 kHeartY[3] = { 80, 160, 100 };

core::rect<s32> truncated(f32 x1, f32 y1, f32 x2, f32 y2)
{
    return core::rect<s32>(static_cast<s32>(x1), static_cast<s32>(y1), static_cast<s32>(x2),
                           static_cast<s32>(y2));
}

} // namespace

EfxShape5::EfxShape5() : mCatTextures(), mFoodTextures(), mBackTexture(nullptr), mHeartTexture(nullptr)
{
}

void EfxShape5::init()
{
    video::IVideoDriver* driver = Env::instance()->driver();
    mCatTextures[0] = driver->getTexture("../data/textures/katze1.png");
    mCatTextures[1] = driver->getTexture("../data/textures/katze2.png");
    mFoodTextures[0] = driver->getTexture("../data/textures/food1.png");
    mFoodTextures[1] = driver->getTexture("../data/textures/food2.png");
    mFoodTextures[2] = driver->getTexture("../data/textures/food3.png");
    mHeartTexture = driver->getTexture("../data/textures/hearticle.png");
    mBackTexture = driver->getTexture("../data/textures/starback.png");
}

void EfxShape5::shutdown()
{
}

s32 EfxShape5::catFrame(f32 t)
{
    return static_cast<s32>(t * 4) % 2;
}

s32 EfxShape5::foodIndex(f32 t)
{
    return static_cast<s32>(t * 3) % 3;
}

// A square centred on (120, 240) whose side swings between 120 and 200 pixels.
core::rect<s32> EfxShape5::catRect(f32 t)
{
    const f32 b = std::sin(t) * 20;
    return truncated(40 - b, 160 - b, 200 + b, 320 + b);
}

// A 64-pixel square on y = 240, lifted by a bob and widened by a grow; the row slides left
// at 100 pixels per second and jumps back one place every 0.64 s.
core::rect<s32> EfxShape5::foodRect(f32 t, s32 i)
{
    const s32 shift = static_cast<s32>(t * 100) % 64;
    const f32 bob = std::sin(4 * t + i) * 30;
    const f32 grow = std::sin(5 * t + 1.5f * i) * 10;
    const s32 x0 = 64 * i + 200 - shift;
    return truncated(x0 - grow, 208 - bob - grow, x0 + 64 + grow, 272 - bob + grow);
}

// A 70-pixel square grown or shrunk by up to 20 pixels on every side.
core::rect<s32> EfxShape5::heartRect(f32 t, s32 i)
{
    const f32 hs = std::sin(3 * t + i) * 20;
    const s32 x0 = kHeartX[i] + 14 * i;
    const s32 y0 = kHeartY[i];
    return truncated(x0 - hs, y0 - hs, x0 + 70 + hs, y0 + 70 + hs);
}

void EfxShape5::idle(float dt)
{
    Effect::idle(dt);
    const f32 t = localTime();
    video::IVideoDriver* driver = Env::instance()->driver();

    driver->draw2DRectangle(video::SColor(255, 255, 222, 230), core::rect<s32>(0, 0, 640, 480));
    driver->draw2DImage(mBackTexture, core::position2d<s32>(0, 0));

    driver->draw2DImage(mCatTextures[catFrame(t)], catRect(t), core::rect<s32>(0, 0, 256, 256), nullptr, nullptr,
                        true);

    video::ITexture* food = mFoodTextures[foodIndex(t)];
    for (s32 i = 0; i < 8; ++i)
        driver->draw2DImage(food, foodRect(t, i), core::rect<s32>(0, 0, 128, 128), nullptr, nullptr, true);

    for (s32 i = 0; i < 3; ++i)
        driver->draw2DImage(mHeartTexture, heartRect(t, i), core::rect<s32>(0, 0, 16, 16), nullptr, nullptr, true);
}

} // namespace veko
