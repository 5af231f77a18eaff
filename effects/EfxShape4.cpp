// SPDX-License-Identifier: MIT
// The closing heart: each set cell of the picture is a square of side 2 in the plane
// z = -1 of its own space, scaled, pushed in depth and placed on a grid of pitch 3.2.

#include "effects/EfxShape4.h"

#include <cmath>

#include "env/DirectionalLight.h"
#include "env/Env.h"

using namespace irr;

namespace veko {

namespace {

const f32 kPi = 3.14159f;
const s8 X = -1;

// The whole heart, row 0 at the top.
const s8 kFill[16][16] = {
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, X, X, X, 0, 0, 0, X, X, X, 0, 0, 0, 0 },
    { 0, 0, X, X, X, X, X, 0, X, X, X, X, X, 0, 0, 0 },
    { 0, X, X, X, X, X, X, X, X, X, X, X, X, X, 0, 0 },
    { 0, X, X, X, X, X, X, X, X, X, X, X, X, X, 0, 0 },
    { 0, X, X, X, X, X, X, X, X, X, X, X, X, X, 0, 0 },
    { 0, 0, X, X, X, X, X, X, X, X, X, X, X, 0, 0, 0 },
    { 0, 0, X, X, X, X, X, X, X, X, X, X, X, 0, 0, 0 },
    { 0, 0, 0, X, X, X, X, X, X, X, X, X, 0, 0, 0, 0 },
    { 0, 0, 0, 0, X, X, X, X, X, X, X, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, X, X, X, X, X, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, 0, X, X, X, 0, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
};

// Its border.
const s8 kOutline[16][16] = {
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, X, X, X, 0, 0, 0, X, X, X, 0, 0, 0, 0 },
    { 0, 0, X, 0, 0, 0, X, 0, X, 0, 0, 0, X, 0, 0, 0 },
    { 0, X, 0, 0, 0, 0, 0, X, 0, 0, 0, 0, 0, X, 0, 0 },
    { 0, X, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, X, 0, 0 },
    { 0, X, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, X, 0, 0 },
    { 0, 0, X, 0, 0, 0, 0, 0, 0, 0, 0, 0, X, 0, 0, 0 },
    { 0, 0, X, 0, 0, 0, 0, 0, 0, 0, 0, 0, X, 0, 0, 0 },
    { 0, 0, 0, X, 0, 0, 0, 0, 0, 0, 0, X, 0, 0, 0, 0 },
    { 0, 0, 0, 0, X, 0, 0, 0, 0, 0, X, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, X, 0, 0, 0, X, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, 0, X, X, X, 0, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
    { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 },
};

const u16 kSquareIndices[6] = { 0, 1, 2, 1, 3, 2 };

// A white directional light that travels along world +Z. The squares are unlit, so it
// does not change the picture.
void addLight(video::IVideoDriver* driver)
{
    driver->deleteAllDynamicLights();
    driver->addDynamicLight(directionalLight(core::vector3df(0.0f, 0.0f, 1.0f)));
}

} // namespace

void EfxShape4::init()
{
    mProjection.buildProjectionMatrixPerspectiveFovLH(kPi / 2.0f, 4.0f / 3.0f, 0.1f, 1000.0f);
    mWorld.makeIdentity();
}

bool EfxShape4::cell(int row, int column, video::SColor& colour)
{
    if (kOutline[row][column] != 0)
        colour = video::SColor(255, 255, 255, 255);
    else if (kFill[row][column] != 0)
        colour = video::SColor(255, 255, 0, 0);
    else
        return false;
    return true;
}

// Size between 0.5 and 1.5 and depth between -5 and 5, on waves along the diagonals.
core::matrix4 EfxShape4::squareWorld(int row, int column, f32 t)
{
    const f32 s = 1.0f - 0.5f * std::sin(t + 0.3f * column + 0.3f * row);
    core::matrix4 world;
    world.setTranslation(core::vector3df((column - 8) * 3.2f, (row - 8) * 3.2f, 0.0f));
    world.setScale(core::vector3df(s, s, 5.0f * std::sin(2.0f * t + s)));
    return world;
}

void EfxShape4::drawSquare(video::SColor colour)
{
    const video::S3DVertex vertices[4] = {
        video::S3DVertex(-1.0f, -1.0f, -1.0f, 0.0f, 0.0f, 1.0f, colour, 0.0f, 0.0f),
        video::S3DVertex(1.0f, -1.0f, -1.0f, 0.0f, 0.0f, 1.0f, colour, 1.0f, 0.0f),
        video::S3DVertex(-1.0f, 1.0f, -1.0f, 0.0f, 0.0f, 1.0f, colour, 0.0f, 1.0f),
        video::S3DVertex(1.0f, 1.0f, -1.0f, 0.0f, 0.0f, 1.0f, colour, 1.0f, 1.0f),
    };
    Env::instance()->driver()->drawIndexedTriangleList(vertices, 4, kSquareIndices, 2);
}

void EfxShape4::idle(float dt)
{
    Effect::idle(dt);
    const f32 t = localTime();
    video::IVideoDriver* driver = Env::instance()->driver();

    driver->draw2DRectangle(video::SColor(255, 0, 0, 0), core::rect<s32>(0, 0, 640, 480));
    driver->setTransform(video::ETS_PROJECTION, mProjection);

    // The camera circles in front of the heart; with up pointing down, row 0 shows at the top.
    mView.buildCameraLookAtMatrixLH(core::vector3df(4.0f * std::sin(t), 4.0f * std::cos(t), -20.5f),
                                    core::vector3df(0.0f, 0.0f, 0.0f), core::vector3df(0.0f, -1.0f, 0.0f));
    driver->setTransform(video::ETS_VIEW, mView);
    // OpenGL fixes a light in the eye space of the view current when it is added.
    addLight(driver);

    video::SMaterial material;
    material.MaterialType = video::EMT_TRANSPARENT_ALPHA_CHANNEL;
    material.MaterialTypeParam = 0.5f;
    material.Lighting = false;
    material.BackfaceCulling = false;
    material.AmbientColor = video::SColor(0, 0, 0, 0);
    material.DiffuseColor = video::SColor(0, 0, 0, 0);
    material.EmissiveColor = video::SColor(255, 255, 255, 255);
    material.setFlag(video::EMF_BILINEAR_FILTER, true);
    driver->setMaterial(material);

    for (int row = 0; row < kGridSize; ++row)
        for (int column = 0; column < kGridSize; ++column) {
            video::SColor colour;
            if (!cell(row, column, colour))
                continue;
            mWorld = squareWorld(row, column, t);
            driver->setTransform(video::ETS_WORLD, mWorld);
            drawSquare(colour);
        }
}

} // namespace veko
