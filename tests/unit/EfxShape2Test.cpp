#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

#include "effects/EfxShape2.h"
#include "Scene3DRig.h"

using namespace irr;
using testing_support::Frame;
using testing_support::Scene3DRig;
using veko::EfxShape2;

namespace {

void expectVector(const core::vector3df& v, double x, double y, double z, double tolerance = 1e-4)
{
    EXPECT_NEAR(v.X, x, tolerance);
    EXPECT_NEAR(v.Y, y, tolerance);
    EXPECT_NEAR(v.Z, z, tolerance);
}

bool sameColour(video::SColor a, video::SColor b)
{
    return a.getRed() == b.getRed() && a.getGreen() == b.getGreen() && a.getBlue() == b.getBlue();
}

// A two-sided triangle facing -Z across the path of camera B at t = 0. Its material has no
// ambient colour, so its brightness in the picture comes from the directional light alone.
void addStandInModel(scene::ISceneManager* sceneManager)
{
    scene::SMeshBuffer* buffer = new scene::SMeshBuffer();
    const core::vector3df corners[3] = { { 30, -10, -300 }, { 90, -10, -300 }, { 60, 60, -300 } };
    for (const core::vector3df& p : corners)
        buffer->Vertices.push_back(
            video::S3DVertex(p, core::vector3df(0, 0, -1), video::SColor(255, 255, 255, 255), core::vector2df(0, 0)));
    for (u16 i = 0; i < 3; ++i)
        buffer->Indices.push_back(i);
    buffer->Material.AmbientColor = video::SColor(255, 0, 0, 0);
    buffer->Material.BackfaceCulling = false;
    buffer->recalculateBoundingBox();
    scene::SMesh* mesh = new scene::SMesh();
    mesh->addMeshBuffer(buffer);
    mesh->recalculateBoundingBox();
    scene::SAnimatedMesh* animated = new scene::SAnimatedMesh(mesh);
    sceneManager->getMeshCache()->addMesh("../data/models/arks3.obj", animated);
    animated->drop();
    mesh->drop();
    buffer->drop();
}

// Distance from `position` to the nearest edge between texels when `cells` texels are
// stretched over `pixels` screen pixels.
double distanceToCellEdge(int position, int pixels, int cells)
{
    const double cell = static_cast<double>(pixels) / cells;
    const double edge = std::round(position / cell) * cell;
    return std::fabs(position - edge);
}

} // namespace

TEST(EfxShape2Cameras, FirstFrame)
{
    const EfxShape2::Camera a = EfxShape2::cameraA(0.0f);
    expectVector(a.position, 24, 23, -410);
    expectVector(a.target, 24.5, 23, -409);
    expectVector(a.up, 2.55, 1, 0);

    const EfxShape2::Camera b = EfxShape2::cameraB(0.0f);
    expectVector(b.position, 24, 23, -350);
    expectVector(b.target, 24.7, 23, -349);
    expectVector(b.up, -1.937, 2.658, 0, 1e-3);

    const EfxShape2::Camera c = EfxShape2::cameraC(0.0f);
    expectVector(c.position, 24, 23, -400);
    expectVector(c.target, 24.2, 23, -399);
    expectVector(c.up, 0.15, 1, 0);
}

TEST(EfxShape2Cameras, LastFramesOfTheScene)
{
    const float t = 10.1f;
    const double td = t;
    const EfxShape2::Camera a = EfxShape2::cameraA(t);
    EXPECT_NEAR(a.position.Z, -6.0, 1e-3);
    expectVector(a.target, 24 + 0.5 * std::cos(td), 23, 40 * td - 409 + 0.5 * std::sin(td));
    expectVector(a.up, 2.55 * std::cos(2 * td), 2.55 * std::sin(2 * td) + 1, 0);

    const EfxShape2::Camera b = EfxShape2::cameraB(t);
    EXPECT_NEAR(b.position.Z, 54.0, 1e-3);
    expectVector(b.target, 24 + 0.7 * std::cos(td), 23, 40 * td - 349 + 0.7 * std::sin(td));
    expectVector(b.up, 2.55 * std::cos(2 * td + 15), 2.55 * std::sin(2 * td + 15) + 1, 0);

    const EfxShape2::Camera c = EfxShape2::cameraC(t);
    expectVector(c.position, 24, 23, 40 * td - 400);
    expectVector(c.target, 24 + 0.2 * std::cos(td), 23, 40 * td - 399 + 0.2 * std::sin(td));
    expectVector(c.up, 0.15 * std::cos(2 * td), 0.15 * std::sin(2 * td) + 1, 0);
}

TEST(EfxShape2, BackdropBlinksBlackInTheFirstHalfOfEachSecond)
{
    const video::SColor black(255, 0, 0, 0), white(255, 255, 255, 255);
    EXPECT_EQ(EfxShape2::backdropTint(0.0f), black);
    EXPECT_EQ(EfxShape2::backdropTint(std::nextafter(0.5f, 0.0f)), black);
    EXPECT_EQ(EfxShape2::backdropTint(0.5f), white);
    EXPECT_EQ(EfxShape2::backdropTint(0.99f), white);
    EXPECT_EQ(EfxShape2::backdropTint(1.0f), black);
    EXPECT_EQ(EfxShape2::backdropTint(9.75f), white);
}

// A model that failed to load is a null mesh: the frame goes on without the mesh passes.
TEST(EfxShape2, MissingModelLeavesTheMeshPassesOut)
{
    Scene3DRig rig(false);
    ASSERT_TRUE(rig.ready());
    EfxShape2 scene;
    scene.init();
    for (int i = 0; i < 3; ++i) {
        rig.frame(scene, 0.02f);
        EXPECT_EQ(rig.driver->getPrimitiveCountDrawn(), 0u);
    }
}

TEST(EfxShape2, BothCamerasDrawTheModel)
{
    Scene3DRig rig(false);
    ASSERT_TRUE(rig.ready());
    addStandInModel(rig.device->getSceneManager());
    EfxShape2 scene;
    scene.init();
    rig.frame(scene, 0.0f);
    EXPECT_EQ(rig.driver->getPrimitiveCountDrawn(), 2u);
}

TEST(EfxShape2GL, WithoutModelTheBackdropStillBlinks)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    Scene3DRig rig(true);
    ASSERT_TRUE(rig.ready());
    rig.addSolidTexture("../data/textures/eda_back.png", 512, 512, video::SColor(255, 255, 255, 255));
    EfxShape2 scene;
    scene.init();

    const Frame dark = rig.frame(scene, 0.0f);         // t = 0: tinted black
    const Frame light = rig.frame(scene, 0.5f);        // t = 0.5: untinted
    const Frame darkAgain = rig.frame(scene, 0.5f);    // t = 1.0
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 7) {
            ASSERT_TRUE(sameColour(dark.at(x, y), video::SColor(255, 0, 0, 0))) << x << "," << y;
            ASSERT_TRUE(sameColour(light.at(x, y), video::SColor(255, 255, 255, 255))) << x << "," << y;
            ASSERT_TRUE(sameColour(darkAgain.at(x, y), video::SColor(255, 0, 0, 0))) << x << "," << y;
        }
}

// The picture is the 32x32 texture without its last row and column stretched to the screen:
// colour changes only at the edges of 31x31 cells. The model faces the light that travels
// along world +Z, so it is lit fully: white over the pink background.
TEST(EfxShape2GL, PictureIsBlockyAndLitFromBehindTheCameras)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    Scene3DRig rig(true);
    ASSERT_TRUE(rig.ready());
    addStandInModel(rig.device->getSceneManager());
    EfxShape2 scene;
    scene.init();

    const Frame frame = rig.frame(scene, 0.0f);
    const video::SColor pink(255, 255, 0, 128), white(255, 255, 255, 255);
    int whitePixels = 0, edges = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const video::SColor c = frame.at(x, y);
            ASSERT_TRUE(sameColour(c, pink) || sameColour(c, white))
                << x << "," << y << " is " << c.getRed() << " " << c.getGreen() << " " << c.getBlue();
            whitePixels += sameColour(c, white);
            if (x > 0 && !sameColour(c, frame.at(x - 1, y))) {
                ++edges;
                ASSERT_LE(distanceToCellEdge(x, 640, 31), 1.0) << x << "," << y;
            }
            if (y > 0 && !sameColour(c, frame.at(x, y - 1))) {
                ++edges;
                ASSERT_LE(distanceToCellEdge(y, 480, 31), 1.0) << x << "," << y;
            }
        }
    EXPECT_GT(whitePixels, 640 * 480 / 20);
    EXPECT_GT(edges, 100);

    // The light was added under camera B's view, the last one it lit; the frame leaves C's.
    core::matrix4 viewB, viewC;
    const EfxShape2::Camera b = EfxShape2::cameraB(0.0f), c = EfxShape2::cameraC(0.0f);
    viewB.buildCameraLookAtMatrixLH(b.position, b.target, b.up);
    viewC.buildCameraLookAtMatrixLH(c.position, c.target, c.up);
    const core::vector3df travel = testing_support::glLight0Travel();
    const core::vector3df expected = testing_support::eyeDirection(viewB, core::vector3df(0, 0, 1));
    expectVector(travel, expected.X, expected.Y, expected.Z, 1e-5);
    EXPECT_TRUE(rig.driver->getTransform(video::ETS_VIEW).equals(viewC));
}
