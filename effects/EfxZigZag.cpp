// SPDX-License-Identifier: MIT
// Spiral ribbons: each arm is a strip of 51 vertex pairs whose radius grows outwards and
// wobbles in a zig-zag; the stripe texture slides along it with the phase.

#include "effects/EfxZigZag.h"

#include <cmath>

#include "env/Env.h"

using namespace irr;

namespace veko {

namespace {

const f32 kPi = 3.14159f;

} // namespace

EfxZigZag::EfxZigZag()
    : mStripesTexture(nullptr),
      mRabbitTexture1(nullptr),
      mRabbitTexture2(nullptr)
{
}

void EfxZigZag::init()
{
    video::IVideoDriver* driver = Env::instance()->driver();

    mView.buildCameraLookAtMatrixLH(core::vector3df(0.0f, 0.0f, -2.5f), core::vector3df(0.0f, 0.0f, 0.0f),
                                    core::vector3df(0.0f, 1.0f, 0.0f));
    mProjection.buildProjectionMatrixPerspectiveFovLH(kPi / 2.0f, 4.0f / 3.0f, 0.1f, 1000.0f);
    mWorld.makeIdentity();

    mRabbitTexture1 = driver->getTexture("../data/textures/rabbit1.png");
    mRabbitTexture2 = driver->getTexture("../data/textures/rabbit2.png");
    mStripesTexture = driver->getTexture("../data/textures/stripes4.png");

    mMaterial.setTexture(0, mStripesTexture);
    mMaterial.MaterialType = video::EMT_TRANSPARENT_ALPHA_CHANNEL;
    mMaterial.MaterialTypeParam = 0.5f;   // texels below half alpha vanish
    mMaterial.Lighting = false;
    mMaterial.BackfaceCulling = false;
    mMaterial.AmbientColor = video::SColor(0, 0, 0, 0);
    mMaterial.DiffuseColor = video::SColor(0, 0, 0, 0);
    mMaterial.EmissiveColor = video::SColor(255, 0, 255, 255);
}

void EfxZigZag::buildArm(f32 phase, const core::vector2df& centre, int arm,
                         video::S3DVertex (&vertices)[kArmVertexCount])
{
    const f32 h = phase / 2.0f;
    const video::SColor white(255, 255, 255, 255);
    for (int j = 0; j < kArmSteps; ++j) {
        // 9 degrees a step, arms 72 degrees apart; near the centre r may be negative.
        const f32 theta = j * kPi / 20.0f + h + 2 * arm * kPi / 5.0f;
        const f32 r = std::sin(7.5f * theta + h) + j / 9.4f;
        const f32 c = std::cos(theta), s = std::sin(theta);
        const f32 v = j / 8.0f + phase;
        vertices[2 * j] = video::S3DVertex(centre.X + r * c, centre.Y + r * s, 0.0f,
                                           0.0f, 0.0f, -1.0f, white, 0.0f, v);
        vertices[2 * j + 1] = video::S3DVertex(centre.X + 0.95f * r * c, centre.Y + 0.95f * r * s, 0.0f,
                                               0.0f, 0.0f, -1.0f, white, 1.0f, v);
    }
}

void EfxZigZag::buildArmIndices(u16 (&indices)[kArmIndexCount])
{
    for (int l = 0; l < kArmSteps - 1; ++l) {
        u16* triangles = &indices[6 * l];
        triangles[0] = static_cast<u16>(2 * l);
        triangles[1] = static_cast<u16>(2 * l + 1);
        triangles[2] = static_cast<u16>(2 * l + 2);
        triangles[3] = static_cast<u16>(2 * l + 1);
        triangles[4] = static_cast<u16>(2 * l + 3);
        triangles[5] = static_cast<u16>(2 * l + 2);
    }
}

// The half side falls from 300 towards 150 every half second and is doubled during the
// first half of every 2.5 seconds; the corners are truncated toward zero.
core::rect<s32> EfxZigZag::spriteRect(f32 localTime)
{
    f32 s = 300.0f - 1.5f * std::fmod(200.0f * localTime, 100.0f);
    if (std::fmod(localTime, 2.5f) < 1.25f)
        s = 2.0f * s;
    return core::rect<s32>(static_cast<s32>(320.0f - s), static_cast<s32>(240.0f - s),
                           static_cast<s32>(320.0f + s), static_cast<s32>(240.0f + s));
}

void EfxZigZag::drawSpirals(f32 phase, const core::vector2df& centre, const video::SMaterial& material)
{
    video::IVideoDriver* driver = Env::instance()->driver();
    driver->setMaterial(material);

    video::S3DVertex vertices[kArmVertexCount];
    u16 indices[kArmIndexCount];
    buildArmIndices(indices);
    for (int arm = 0; arm < 5; ++arm) {
        buildArm(phase, centre, arm, vertices);
        driver->drawIndexedTriangleList(vertices, kArmVertexCount, indices, kArmTriangleCount);
    }
}

void EfxZigZag::idle(float dt)
{
    Effect::idle(dt);
    const f32 T = Env::instance()->time();
    const f32 L = localTime();
    video::IVideoDriver* driver = Env::instance()->driver();

    driver->setTransform(video::ETS_PROJECTION, mProjection);
    driver->setTransform(video::ETS_VIEW, mView);
    driver->setTransform(video::ETS_WORLD, mWorld);
    driver->setAmbientLight(video::SColorf(video::SColor(255, 255, 255, 255)));

    driver->draw2DRectangle(video::SColor(255, 255, 255, 140), core::rect<s32>(0, 0, 640, 480));
    driver->draw2DRectangle(video::SColor(255, 92, 92, 92), core::rect<s32>(0, 140, 640, 380));

    drawSpirals(3.8f * T, core::vector2df(std::sin(T), 0.0f), mMaterial);
    drawSpirals(4.0f * T + 2.5f, core::vector2df(std::sin(T + kPi / 3.0f), 0.0f), mMaterial);
    drawSpirals(2.5f * T - 12.0f, core::vector2df(std::sin(T + kPi / 4.0f), 0.0f), mMaterial);

    video::ITexture* frame = std::fmod(T, 1.0f) > 0.5f ? mRabbitTexture1 : mRabbitTexture2;
    driver->draw2DImage(frame, spriteRect(L), core::rect<s32>(0, 0, 31, 31), nullptr, nullptr, true);
}

} // namespace veko
