#include "DataFiles.h"
#include "Engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace irr;

namespace {

using Triangle = core::triangle3df;

// Every triangle of a mesh with its three vertex normals, in the engine's
// coordinates as the OBJ loader made them.
void forEachTriangle(scene::IMesh* mesh,
                     const std::function<void(const Triangle&, const core::vector3df* normals)>& visit)
{
    for (u32 b = 0; b < mesh->getMeshBufferCount(); ++b) {
        scene::IMeshBuffer* buffer = mesh->getMeshBuffer(b);
        ASSERT_EQ(buffer->getVertexType(), video::EVT_STANDARD);
        const video::S3DVertex* v = static_cast<const video::S3DVertex*>(buffer->getVertices());
        const u16* index = buffer->getIndices();
        for (u32 i = 0; i + 2 < buffer->getIndexCount(); i += 3) {
            const video::S3DVertex& a = v[index[i]];
            const video::S3DVertex& b2 = v[index[i + 1]];
            const video::S3DVertex& c = v[index[i + 2]];
            const core::vector3df normals[3] = {a.Normal, b2.Normal, c.Normal};
            visit(Triangle(a.Pos, b2.Pos, c.Pos), normals);
        }
    }
}

// Distance from p to the segment from a to b.
f32 distanceToSegment(const core::vector3df& p, const core::vector3df& a, const core::vector3df& b)
{
    return core::line3df(a, b).getClosestPoint(p).getDistanceFrom(p);
}

// True if any triangle comes within `clearance` of the segment: a vertex close
// to it, or the segment passing through a face.
bool blocksPath(scene::IMesh* mesh, const core::vector3df& a, const core::vector3df& b, f32 clearance)
{
    bool blocked = false;
    const core::line3df path(a, b);
    forEachTriangle(mesh, [&](const Triangle& t, const core::vector3df*) {
        core::vector3df hit;
        if (distanceToSegment(t.pointA, a, b) < clearance || distanceToSegment(t.pointB, a, b) < clearance ||
            distanceToSegment(t.pointC, a, b) < clearance)
            blocked = true;
        else if (t.getIntersectionWithLimitedLine(path, hit))
            blocked = true;
    });
    return blocked;
}

class Models : public ::testing::Test {
protected:
    scene::IMesh* load(const char* name)
    {
        scene::IAnimatedMesh* animated = mEngine.scenes()->getMesh(datafiles::path(std::string("models/") + name).c_str());
        return animated ? animated->getMesh(0, 255, -1, -1) : nullptr;
    }

    Engine mEngine;
};

const char* const kModels[] = {"arks3.obj", "arks5.obj", "shape_1a.obj", "town_04.obj"};

} // namespace

TEST_F(Models, EachLoadsWithMeshBuffersAndTriangles)
{
    for (const char* name : kModels) {
        scene::IMesh* mesh = load(name);
        ASSERT_NE(mesh, nullptr) << name;
        ASSERT_GE(mesh->getMeshBufferCount(), 1u) << name;
        u32 triangles = 0;
        for (u32 b = 0; b < mesh->getMeshBufferCount(); ++b)
            triangles += mesh->getMeshBuffer(b)->getIndexCount() / 3;
        EXPECT_GT(triangles, 20u) << name;
    }
}

// The file's normals must agree with the winding the loader gives each face
// (the engine's front side is where (b - a) x (c - a) points), and every model
// is closed with its faces turned outwards: a positive enclosed volume.
TEST_F(Models, FacesPointOutwardsAndNormalsMatchTheirWinding)
{
    for (const char* name : kModels) {
        scene::IMesh* mesh = load(name);
        ASSERT_NE(mesh, nullptr) << name;
        u32 disagreeing = 0, total = 0;
        f64 volume = 0;
        forEachTriangle(mesh, [&](const Triangle& t, const core::vector3df* normals) {
            const core::vector3df face = t.getNormal().normalize();
            for (int k = 0; k < 3; ++k)
                disagreeing += face.dotProduct(normals[k]) < 0.9f;
            ++total;
            volume += t.pointA.dotProduct(t.pointB.crossProduct(t.pointC)) / 6.0;
        });
        EXPECT_EQ(disagreeing, 0u) << name << " of " << total << " triangles";
        EXPECT_GT(volume, 0.0) << name;
    }
}

TEST_F(Models, FlyThroughStructuresSpanTheCamerasPathWithoutBlockingIt)
{
    // The cameras sit at x 24, y 23 and travel along +Z from -410 to about +54,
    // looking ahead along +Z.
    const core::vector3df start(24, 23, -410), end(24, 23, 54);
    for (const char* name : {"arks3.obj", "arks5.obj"}) {
        scene::IMesh* mesh = load(name);
        ASSERT_NE(mesh, nullptr) << name;
        const core::aabbox3df box = mesh->getBoundingBox();
        EXPECT_LT(box.MinEdge.X, 20.f) << name;
        EXPECT_GT(box.MaxEdge.X, 28.f) << name;
        EXPECT_LT(box.MinEdge.Y, 19.f) << name;
        EXPECT_GT(box.MaxEdge.Y, 27.f) << name;
        EXPECT_LT(box.MinEdge.Z, -420.f) << name;
        EXPECT_GT(box.MaxEdge.Z, 150.f) << name;
        EXPECT_FALSE(blocksPath(mesh, start, end, 3.0f)) << name;
    }
}

TEST_F(Models, FlyThroughMaterialsCarryTheirTextures)
{
    for (const char* name : {"arks3.obj", "arks5.obj"}) {
        scene::IMesh* mesh = load(name);
        ASSERT_NE(mesh, nullptr) << name;
        bool textured = false;
        for (u32 b = 0; b < mesh->getMeshBufferCount(); ++b)
            textured = textured || mesh->getMeshBuffer(b)->getMaterial().getTexture(0) != nullptr;
        EXPECT_TRUE(textured) << name;
    }
}

TEST_F(Models, TheShapeIsACompactSolidAboutTwoUnitsAcross)
{
    scene::IMesh* mesh = load("shape_1a.obj");
    ASSERT_NE(mesh, nullptr);
    const core::aabbox3df box = mesh->getBoundingBox();
    const core::vector3df extent = box.getExtent();
    const f32 largest = std::max({extent.X, extent.Y, extent.Z});
    EXPECT_GT(largest, 1.6f);
    EXPECT_LT(largest, 2.4f);
    EXPECT_GT(std::min({extent.X, extent.Y, extent.Z}), 0.5f); // a solid, not a flat card
    EXPECT_LT(box.getCenter().getLength(), 0.3f);               // turns about its own middle
}

TEST_F(Models, TheTownStandsOnZUpAlongTheStreetTheCameraTravels)
{
    scene::IMesh* mesh = load("town_04.obj");
    ASSERT_NE(mesh, nullptr);
    const core::aabbox3df box = mesh->getBoundingBox();
    EXPECT_NEAR(box.MinEdge.X, -20.f, 2.5f);
    EXPECT_NEAR(box.MaxEdge.X, 20.f, 2.5f);
    EXPECT_NEAR(box.MinEdge.Y, 0.f, 4.f);
    EXPECT_NEAR(box.MaxEdge.Y, 60.f, 4.f);
    EXPECT_GE(box.MinEdge.Z, -1.f);
    EXPECT_GT(box.MaxEdge.Z, 5.f);
    EXPECT_LT(box.MaxEdge.Z, 20.f);
    // The camera stands at (0, -7, 4) while the town slides along Y between
    // -35 and +5: in the town's own coordinates it moves from y = -12 to 28.
    EXPECT_FALSE(blocksPath(mesh, core::vector3df(0, -12, 4), core::vector3df(0, 28, 4), 1.5f));
}

// The town is drawn with its own materials under a white ambient light: they
// must be lit, and their ambient colours below white, or the town washes out.
TEST_F(Models, TheTownsMaterialsAreLitAndNotWashedOutByAmbientLight)
{
    scene::IMesh* mesh = load("town_04.obj");
    ASSERT_NE(mesh, nullptr);
    for (u32 b = 0; b < mesh->getMeshBufferCount(); ++b) {
        const video::SMaterial& m = mesh->getMeshBuffer(b)->getMaterial();
        EXPECT_TRUE(m.Lighting) << b;
        EXPECT_NE(m.AmbientColor, video::SColor(255, 255, 255, 255)) << b;
    }
}

namespace {

// Renders a mesh with the software renderer and returns the share of pixels
// it covers (anything but the background).
double renderedCoverage(Engine& engine, scene::IMesh* mesh, const core::matrix4& view,
                        const std::vector<core::matrix4>& worlds)
{
    video::IVideoDriver* driver = engine.driver();
    const video::SColor background(255, 0, 0, 0);
    core::matrix4 projection;
    projection.buildProjectionMatrixPerspectiveFovLH(3.14159f / 2, 4.0f / 3.0f, 0.1f, 1000);
    driver->beginScene(true, true, background);
    driver->setTransform(video::ETS_PROJECTION, projection);
    driver->setTransform(video::ETS_VIEW, view);
    for (const core::matrix4& world : worlds) {
        driver->setTransform(video::ETS_WORLD, world);
        for (u32 b = 0; b < mesh->getMeshBufferCount(); ++b) {
            video::SMaterial material = mesh->getMeshBuffer(b)->getMaterial();
            material.Lighting = false;
            material.setTexture(0, nullptr);
            material.EmissiveColor = video::SColor(255, 255, 255, 255);
            driver->setMaterial(material);
            driver->drawMeshBuffer(mesh->getMeshBuffer(b));
        }
    }
    driver->endScene();
    video::IImage* shot = driver->createScreenShot();
    if (!shot)
        return -1;
    u32 covered = 0;
    const core::dimension2du size = shot->getDimension();
    for (u32 y = 0; y < size.Height; ++y)
        for (u32 x = 0; x < size.Width; ++x)
            covered += shot->getPixel(x, y).color != background.color;
    shot->drop();
    return static_cast<double>(covered) / size.getArea();
}

core::matrix4 lookAt(const core::vector3df& from, const core::vector3df& to, const core::vector3df& up)
{
    core::matrix4 m;
    m.buildCameraLookAtMatrixLH(from, to, up);
    return m;
}

} // namespace

// From each scene's camera the model fills part of the picture, not none of
// it and not all of it (the fly-throughs look down an open tunnel).
TEST(ModelViews, EachModelFillsPartOfItsCamerasPicture)
{
    Engine engine(video::EDT_BURNINGSVIDEO);
    ASSERT_NE(engine.device(), nullptr);
    auto mesh = [&](const char* name) {
        scene::IAnimatedMesh* m = engine.scenes()->getMesh(datafiles::path(std::string("models/") + name).c_str());
        return m ? m->getMesh(0, 255, -1, -1) : nullptr;
    };
    scene::IMesh* arks3 = mesh("arks3.obj");
    scene::IMesh* arks5 = mesh("arks5.obj");
    scene::IMesh* shape = mesh("shape_1a.obj");
    scene::IMesh* town = mesh("town_04.obj");
    ASSERT_TRUE(arks3 && arks5 && shape && town);

    for (f32 t : {0.0f, 5.0f, 10.0f}) {
        const double fly3 = renderedCoverage(
            engine, arks3, lookAt({24, 23, 40 * t - 410}, {24 + 0.5f * std::cos(t), 23, 40 * t - 409 + 0.5f * std::sin(t)},
                                  {2.55f * std::cos(2 * t), 2.55f * std::sin(2 * t) + 1, 0}),
            {core::matrix4()});
        EXPECT_GT(fly3, 0.1) << "arks3 at t " << t;
        EXPECT_LT(fly3, 0.9) << "arks3 at t " << t;
        const double fly5 = renderedCoverage(
            engine, arks5, lookAt({24, 23, 40 * t - 400}, {24 + 0.2f * std::cos(t), 23, 40 * t - 399 + 0.2f * std::sin(t)},
                                  {0.15f * std::cos(2 * t), 0.15f * std::sin(2 * t) + 1, 0}),
            {core::matrix4()});
        EXPECT_GT(fly5, 0.1) << "arks5 at t " << t;
        EXPECT_LT(fly5, 0.9) << "arks5 at t " << t;
    }

    std::vector<core::matrix4> copies;
    for (int i = 0; i < 3; ++i) {
        core::matrix4 w;
        w.setRotationRadians(core::vector3df(0, 0, 1));
        w.setTranslation(core::vector3df(static_cast<f32>(4 * i - 4), 0, 0));
        copies.push_back(w);
    }
    const double shapes = renderedCoverage(engine, shape, lookAt({4, 0, -3.5f}, {1, 0, 0}, {0, 1, 0}), copies);
    EXPECT_GT(shapes, 0.03);
    EXPECT_LT(shapes, 0.5);

    for (f32 offset : {-35.0f, -15.0f, 5.0f}) {
        core::matrix4 w;
        w.setTranslation(core::vector3df(0, offset, 0));
        const double view = renderedCoverage(engine, town, lookAt({0, -7, 4}, {0, 5, 2}, {0, 0, 1}), {w});
        EXPECT_GT(view, 0.3) << "town at " << offset;
        EXPECT_LT(view, 0.95) << "town at " << offset;
    }
}
