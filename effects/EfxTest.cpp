#include "effects/EfxTest.h"

#include <cmath>

#include "env/Env.h"
#include "framework/Random.h"

using namespace irr;

namespace veko {

namespace {

const f32 kBar = 2.526f;
// Five cues in every bar, seconds from the bar's start.
const f32 kCueOffsets[5] = { 0.0f, 0.635f, 1.1f, 1.26f, 1.89f };
const f32 kCueWindow = 0.02f;
const s32 kBars = 10;

const s32 kStarCount = 150;
const video::SColor kStarPalette[4] = {
    video::SColor(255, 255, 128, 128),
    video::SColor(255, 255, 255, 128),
    video::SColor(255, 128, 255, 128),
    video::SColor(255, 255, 128, 255),
};

f32 clamp01(f32 v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

} // namespace

EfxTest::EfxTest()
    : mGridTexture(nullptr), mLogoTexture(nullptr), mStarTexture(nullptr), mFlash(0.0f), mLastCue(-1)
{
}

void EfxTest::init()
{
    video::IVideoDriver* driver = Env::instance()->driver();
    mGridTexture = driver->getTexture("../data/textures/katze.png");
    mLogoTexture = driver->getTexture("../data/textures/zuli!.png");
    mStarTexture = driver->getTexture("../data/textures/starticle.png");
    mFlash = 0.0f;
    mLastCue = -1;
}

void EfxTest::shutdown()
{
}

EfxTest::Star EfxTest::makeStar(Random& random)
{
    Star star;
    star.position.X = static_cast<f32>(random.next() % 500 + 70);
    star.position.Y = static_cast<f32>(random.next() % 320 + 80);
    star.position.Z = 0.0f;
    star.velocity.X = static_cast<f32>(random.next() % 250 - 125);
    star.velocity.Y = static_cast<f32>(-random.next() % 150 - 75);   // upwards
    star.velocity.Z = static_cast<f32>(random.next() % 20 - 10);
    star.color = kStarPalette[random.next() % 4];
    star.halfSize = static_cast<f32>(random.next() % 16 + 32);
    star.angle = 2 * (random.next() % 360) * 3.14159f / 360;
    return star;
}

s32 EfxTest::stripeHeight(f32 t, f32 flash)
{
    const f32 barHeight = t * 32 < 64 ? t * 32 : 64.0f;
    return static_cast<s32>(flash * 16 + barHeight);
}

core::rect<s32> EfxTest::gridRect(f32 t, s32 row, s32 column, s32 scroll, f32 flash, s32 lastCue)
{
    const bool oddRow = row % 2 != 0;
    f32 size = (std::fabs(std::sin(3 * t) * 0.15f) + 0.7f) * 48;
    size *= clamp01((t - (oddRow ? 2.01f : 4.537f)) / 0.3f);

    // After an even cue the even columns swell, otherwise the odd ones.
    const bool evenCue = lastCue % 2 == 0;
    if ((column % 2 == 0) == evenCue)
        size += flash * 16;

    const s32 xoff = oddRow ? -scroll : scroll - 64;
    const s32 xc = xoff + 64 * column + 32;
    const s32 yc = 64 * row + 32;
    return core::rect<s32>(static_cast<s32>(xc - size / 2), static_cast<s32>(yc - size / 2),
                           static_cast<s32>(xc + size / 2), static_cast<s32>(yc + size / 2));
}

// A cue fires on the first frame strictly inside its window, and once only: a frame that
// steps over the whole window misses it.
void EfxTest::fireCues(f32 t, f32 dt)
{
    bool fired = false;
    for (s32 i = 0; i < 5; ++i) {
        for (s32 j = 0; j < kBars; ++j) {
            const f32 cue = j * kBar + kCueOffsets[i];
            if (t > cue && t < cue + kCueWindow && mLastCue != i) {
                fired = true;
                mLastCue = i;
                break;
            }
        }
    }
    if (fired)
        mFlash = 1.0f;
    mFlash -= dt;
    if (mFlash < 0.0f)
        mFlash = 0.0f;
}

void EfxTest::drawStripes(f32 t)
{
    video::IVideoDriver* driver = Env::instance()->driver();
    const s32 half = stripeHeight(t, mFlash) / 2;
    for (s32 k = 0; k < 8; ++k) {
        video::SColor color = k % 2 == 0 ? video::SColor(255, 255, 255, 0) : video::SColor(255, 255, 128, 255);
        if (mFlash > 0.7f)
            color = video::SColor(255, 0, 0, 0);
        const s32 yc = 64 * k + 32;
        driver->draw2DRectangle(color, core::rect<s32>(0, yc - half, 640, yc + half));
    }
}

void EfxTest::drawGrid(f32 t, s32 scroll)
{
    video::IVideoDriver* driver = Env::instance()->driver();
    const core::rect<s32> source(0, 0, 256, 256);
    for (s32 m = 0; m < 8; ++m)
        for (s32 n = 0; n < 12; ++n)
            driver->draw2DImage(mGridTexture, gridRect(t, m, n, scroll, mFlash, mLastCue), source, nullptr,
                                nullptr, true);
}

void EfxTest::spawnStars()
{
    mStars.reserve(mStars.size() + kStarCount);
    mSprites.reserve(mStars.size() + kStarCount);
    for (s32 i = 0; i < kStarCount; ++i)
        mStars.push_back(makeStar(Random::shared()));
}

// Draws every star, then moves each by one Euler step of the given length.
void EfxTest::drawStars(f32 step)
{
    // One sprite per star, in the order of spawning, drawn as one list.
    mSprites.clear();
    for (const Star& star : mStars) {
        Env::Sprite sprite;
        sprite.texture = mStarTexture;
        sprite.rect = core::rect<f32>(star.position.X - star.halfSize, star.position.Y - star.halfSize,
                                      star.position.X + star.halfSize, star.position.Y + star.halfSize);
        sprite.texCoords = core::rect<f32>(0.0f, 0.0f, 1.0f, 1.0f);
        sprite.color = &star.color;
        sprite.angle = star.angle;
        sprite.flags = 0;
        mSprites.push_back(sprite);
    }
    Env::instance()->drawSprites(mSprites.data(), static_cast<u32>(mSprites.size()));

    for (Star& star : mStars) {
        star.position.X += star.velocity.X * step;
        star.position.Y += star.velocity.Y * step;
        star.angle += star.velocity.Z * step;
        star.velocity.Y += 200 * step;   // gravity, down the screen
    }
}

void EfxTest::idle(float dt)
{
    Effect::idle(dt);
    const f32 t = localTime();
    Env* env = Env::instance();
    video::IVideoDriver* driver = env->driver();

    // The grid scrolls with the show clock, 64 pixels per second.
    const s32 scroll = static_cast<s32>(env->time() * 64) % 64;

    driver->draw2DRectangle(video::SColor(255, 0, 0, 0), core::rect<s32>(0, 0, 640, 480));
    fireCues(t, dt);
    drawStripes(t);
    drawGrid(t, scroll);

    if (t > 3 * kBar) {
        if (mStars.empty())
            spawnStars();
        driver->draw2DImage(mLogoTexture, core::rect<s32>(64, 112, 576, 368), core::rect<s32>(0, 0, 512, 256),
                            nullptr, nullptr, true);
    }

    // The stars fly at twice real time.
    drawStars(2 * dt);
}

} // namespace veko
