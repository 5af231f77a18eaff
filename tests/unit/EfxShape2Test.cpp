#include <gtest/gtest.h>

#include <cmath>

#include "effects/EfxShape2.h"
#include "SceneRig.h"

using namespace irr;
using testing_support::SceneRig;
using testing_support::sameColour;
using veko::EfxShape2;

namespace {

void expectVector(const core::vector3df& v, double x, double y, double z, double tolerance = 1e-4)
{
    EXPECT_NEAR(v.X, x, tolerance);
    EXPECT_NEAR(v.Y, y, tolerance);
    EXPECT_NEAR(v.Z, z, tolerance);
}

// A two-sided triangle facing -Z across camera B's path at t = 0. Without an ambient colour
// its brightness comes from the directional light alone.
void addStandInModel(scene::ISceneManager* sceneManager)
{
    scene::SMeshBuffer* buffer = new scene::SMeshBuffer();
    for (const core::vector3df& p : { core::vector3df(30, -10, -300), core::vector3df(90, -10, -300),
                                      core::vector3df(60, 60, -300) })
        buffer->Vertices.push_back(video::S3DVertex(p, core::vector3df(0, 0, -1), video::SColor(255, 255, 255, 255),
                                                    core::vector2df(0, 0)));
    for (u16 i = 0; i < 3; ++i)
        buffer->Indices.push_back(i);
    buffer->Material.AmbientColor = video::SColor(255, 0, 0, 0);
    buffer->Material.BackfaceCulling = false;
    scene::SMesh* mesh = new scene::SMesh();
    mesh->addMeshBuffer(buffer);
    scene::SAnimatedMesh* animated = new scene::SAnimatedMesh(mesh);
    sceneManager->getMeshCache()->addMesh("../data/models/arks3.obj", animated);
    animated->drop();
    mesh->drop();
    buffer->drop();
}

// Distance to the nearest cell edge when `cells` texels are stretched over `pixels`.
double distanceToCellEdge(int position, int pixels, int cells)
{
    const double cell = static_cast<double>(pixels) / cells;
    return std::fabs(position - std::round(position / cell) * cell);
}

} // namespace

TEST(EfxShape2, CamerasOnTheFirstAndTheLastFrames)
{
    const EfxShape2::Camera a = EfxShape2::cameraA(0.0f), b = EfxShape2::cameraB(0.0f), c = EfxShape2::cameraC(0.0f);
    expectVector(a.position, 24, 23, -410);
    expectVector(a.target, 24.5, 23, -409);
    expectVector(a.up, 2.55, 1, 0);
    expectVector(b.position, 24, 23, -350);
    expectVector(b.target, 24.7, 23, -349);
    expectVector(b.up, -1.937, 2.658, 0, 1e-3);
    expectVector(c.target, 24.2, 23, -399);
    expectVector(c.up, 0.15, 1, 0);

    const double t = 10.1f;
    const EfxShape2::Camera lateA = EfxShape2::cameraA(10.1f), lateB = EfxShape2::cameraB(10.1f);
    EXPECT_NEAR(lateA.position.Z, -6.0, 1e-3);
    EXPECT_NEAR(lateB.position.Z, 54.0, 1e-3);
    expectVector(lateA.target, 24 + 0.5 * std::cos(t), 23, 40 * t - 409 + 0.5 * std::sin(t));
    expectVector(lateB.target, 24 + 0.7 * std::cos(t), 23, 40 * t - 349 + 0.7 * std::sin(t));
    expectVector(lateB.up, 2.55 * std::cos(2 * t + 15), 2.55 * std::sin(2 * t + 15) + 1, 0);
    expectVector(EfxShape2::cameraC(10.1f).up, 0.15 * std::cos(2 * t), 0.15 * std::sin(2 * t) + 1, 0);
}

TEST(EfxShape2, BackdropIsBlackOnlyInTheFirstHalfOfEachSecond)
{
    const video::SColor black(255, 0, 0, 0), white(255, 255, 255, 255);
    EXPECT_EQ(EfxShape2::backdropTint(0.0f), black);
    EXPECT_EQ(EfxShape2::backdropTint(std::nextafter(0.5f, 0.0f)), black);
    EXPECT_EQ(EfxShape2::backdropTint(0.5f), white);
    EXPECT_EQ(EfxShape2::backdropTint(1.0f), black);
}

// A model that failed to load is a null mesh: the frames go on without the mesh passes.
TEST(EfxShape2, MissingModelLeavesTheMeshPassesOut)
{
    SceneRig rig(testing_support::Backend::Null, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    EfxShape2 scene;
    scene.init();
    for (int i = 0; i < 3; ++i) {
        rig.frame(scene, 0.02f);
        EXPECT_EQ(rig.driver->getPrimitiveCountDrawn(), 0u);
    }
}

// The 32x32 picture without its last row and column, stretched: colour changes only at the
// edges of 31x31 cells. The model faces the light that travels along world +Z, so it shows
// fully lit (white) over the pink background.
TEST(EfxShape2GL, PictureIsBlockyAndLitAlongWorldZ)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    SceneRig rig(testing_support::Backend::OpenGL, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    addStandInModel(rig.device->getSceneManager());
    EfxShape2 scene;
    scene.init();
    const testing_support::Frame frame = rig.frame(scene, 0.0f);

    const video::SColor pink(255, 255, 0, 128), white(255, 255, 255, 255);
    int whitePixels = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const video::SColor c = frame.at(x, y);
            ASSERT_TRUE(sameColour(c, pink) || sameColour(c, white)) << x << "," << y << ": " << c.color;
            whitePixels += sameColour(c, white);
            if (x > 0 && !sameColour(c, frame.at(x - 1, y))) {
                ASSERT_LE(distanceToCellEdge(x, 640, 31), 1.0) << x << "," << y;
            }
            if (y > 0 && !sameColour(c, frame.at(x, y - 1))) {
                ASSERT_LE(distanceToCellEdge(y, 480, 31), 1.0) << x << "," << y;
            }
        }
    EXPECT_GT(whitePixels, 640 * 480 / 20);

    // Camera B's view lit the last pass; the frame leaves camera C's view set.
    const EfxShape2::Camera b = EfxShape2::cameraB(0.0f), c = EfxShape2::cameraC(0.0f);
    core::matrix4 viewB, viewC;
    viewB.buildCameraLookAtMatrixLH(b.position, b.target, b.up);
    viewC.buildCameraLookAtMatrixLH(c.position, c.target, c.up);
    const core::vector3df expected = testing_support::eyeDirection(viewB, core::vector3df(0, 0, 1));
    expectVector(testing_support::glLight0Travel(), expected.X, expected.Y, expected.Z, 1e-5);
    EXPECT_TRUE(rig.driver->getTransform(video::ETS_VIEW).equals(viewC));
}
