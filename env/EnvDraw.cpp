// SPDX-License-Identifier: MIT
// Env's drawing operations: meshes with a caller-chosen material, and textured quads and
// sprites given in pixels of a 640x480 screen.

#include "env/Env.h"

using namespace irr;

namespace veko {

namespace {

// Two triangles, (0, 1, 2) and (1, 3, 2), over the four corners of a quad.
const u16 kQuadIndices[6] = { 0, 1, 2, 1, 3, 2 };

struct SavedTransforms {
    core::matrix4 projection, view, world;
};

SavedTransforms saveTransforms(video::IVideoDriver* driver)
{
    SavedTransforms saved;
    saved.projection = driver->getTransform(video::ETS_PROJECTION);
    saved.view = driver->getTransform(video::ETS_VIEW);
    saved.world = driver->getTransform(video::ETS_WORLD);
    return saved;
}

void restoreTransforms(video::IVideoDriver* driver, const SavedTransforms& saved)
{
    driver->setTransform(video::ETS_PROJECTION, saved.projection);
    driver->setTransform(video::ETS_VIEW, saved.view);
    driver->setTransform(video::ETS_WORLD, saved.world);
}

video::S3DVertex corner(f32 x, f32 y, video::SColor color, f32 u, f32 v)
{
    return video::S3DVertex(x, y, 0.0f, 0.0f, 0.0f, -1.0f, color, u, v);
}

// The material of quads and sprites: unlit, two-sided, alpha-channel or additive blending.
video::SMaterial quadMaterial(video::ITexture* texture, s32 flags, video::SColor emissive)
{
    video::SMaterial material;
    material.setTexture(0, texture);
    if (flags & Env::FLAG_ADDITIVE) {
        material.MaterialType = video::EMT_TRANSPARENT_ADD_COLOR;
        material.ZWriteEnable = false;       // additive layers never wrote depth
    } else {
        material.MaterialType = video::EMT_TRANSPARENT_ALPHA_CHANNEL;
        material.MaterialTypeParam = 0.5f;   // texels below half alpha vanish
    }
    material.Lighting = false;
    material.BackfaceCulling = false;
    material.AmbientColor = video::SColor(0, 0, 0, 0);
    material.DiffuseColor = video::SColor(0, 0, 0, 0);
    material.EmissiveColor = emissive;
    return material;
}

} // namespace

void Env::drawMesh(scene::IMesh* mesh, IMaterialCallback* callback)
{
    if (!mesh)
        return;
    for (u32 i = 0; i < mesh->getMeshBufferCount(); ++i) {
        scene::IMeshBuffer* buffer = mesh->getMeshBuffer(i);
        if (callback)
            callback->apply(buffer->getMaterial());
        else
            mDriver->setMaterial(buffer->getMaterial());
        mDriver->drawMeshBuffer(buffer);
    }
}

void Env::drawMesh(scene::IMesh* mesh, const core::matrix4& world, IMaterialCallback* callback)
{
    mDriver->setTransform(video::ETS_WORLD, world);
    drawMesh(mesh, callback);
}

// An orthographic camera that maps world (x - 320, y - 240) to screen pixel (x, y):
// the up vector points down so that world +Y runs down the screen.
void Env::setScreenSpaceCamera()
{
    core::matrix4 projection;
    projection.buildProjectionMatrixOrthoLH(640.0f, 480.0f, 0.1f, 1000.0f);
    core::matrix4 view;
    view.buildCameraLookAtMatrixLH(core::vector3df(0, 0, 1), core::vector3df(0, 0, 0),
                                   core::vector3df(0, -1, 0));
    mDriver->setTransform(video::ETS_PROJECTION, projection);
    mDriver->setTransform(video::ETS_VIEW, view);
}

void Env::drawQuad(video::ITexture* texture, core::rect<f32> rect, core::rect<f32> texCoords,
                   const video::SColor& color, s32 flags)
{
    const SavedTransforms saved = saveTransforms(mDriver);
    setScreenSpaceCamera();
    mDriver->setTransform(video::ETS_WORLD, core::matrix4());

    const f32 x1 = rect.UpperLeftCorner.X - 320.0f, y1 = rect.UpperLeftCorner.Y - 240.0f;
    const f32 x2 = rect.LowerRightCorner.X - 320.0f, y2 = rect.LowerRightCorner.Y - 240.0f;
    const f32 tu1 = texCoords.UpperLeftCorner.X, tv1 = texCoords.UpperLeftCorner.Y;
    const f32 tu2 = texCoords.LowerRightCorner.X, tv2 = texCoords.LowerRightCorner.Y;
    const video::S3DVertex vertices[4] = {
        corner(x1, y1, color, tu1, tv1),
        corner(x2, y1, color, tu2, tv1),
        corner(x1, y2, color, tu1, tv2),
        corner(x2, y2, color, tu2, tv2),
    };

    video::SMaterial material = quadMaterial(texture, flags, video::SColor(255, 255, 255, 255));
    material.setFlag(video::EMF_BILINEAR_FILTER, (flags & FLAG_NO_FILTER) == 0);
    mDriver->setMaterial(material);
    mDriver->drawIndexedTriangleList(vertices, 4, kQuadIndices, 2);

    restoreTransforms(mDriver, saved);
}

void Env::drawSprite(Sprite sprite)
{
    const SavedTransforms saved = saveTransforms(mDriver);
    setScreenSpaceCamera();

    const core::vector2df centre = sprite.rect.getCenter();
    core::matrix4 world;
    world.setRotationRadians(core::vector3df(0.0f, 0.0f, sprite.angle));
    world.setTranslation(core::vector3df(centre.X - 320.0f, centre.Y - 240.0f, 0.0f));
    mDriver->setTransform(video::ETS_WORLD, world);

    const f32 w = sprite.rect.getWidth(), h = sprite.rect.getHeight();
    const f32 tu1 = sprite.texCoords.UpperLeftCorner.X, tv1 = sprite.texCoords.UpperLeftCorner.Y;
    const f32 tu2 = sprite.texCoords.LowerRightCorner.X, tv2 = sprite.texCoords.LowerRightCorner.Y;
    const video::SColor color = *sprite.color;
    const video::S3DVertex vertices[4] = {
        corner(-w / 2, -h / 2, color, tu1, tv1),
        corner(w / 2, -h / 2, color, tu2, tv1),
        corner(-w / 2, h / 2, color, tu1, tv2),
        corner(w / 2, h / 2, color, tu2, tv2),
    };

    // Sprites are always filtered.
    mDriver->setMaterial(quadMaterial(sprite.texture, sprite.flags, video::SColor(255, 0, 255, 255)));
    mDriver->drawIndexedTriangleList(vertices, 4, kQuadIndices, 2);

    restoreTransforms(mDriver, saved);
}

} // namespace veko
