#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "SceneRig.h"
#include "env/Env.h"

using namespace irr;
using testing_support::Backend;
using testing_support::SceneRig;
using testing_support::Frame;
using testing_support::near;
using testing_support::rgb;
using veko::Env;

namespace {

const video::SColor kBlack(255, 0, 0, 0);
const video::SColor kWhite(255, 255, 255, 255);
const video::SColor kRed(255, 255, 0, 0);
const video::SColor kGreen(255, 0, 255, 0);
const video::SColor kBlue(255, 0, 0, 255);
const video::SColor kYellow(255, 255, 255, 0);

// The lit pixels' bounding box on a black screen, as (x1, y1, x2, y2) with x2, y2 inclusive.
core::rect<s32> litBox(const Frame& frame)
{
    core::rect<s32> box(frame.width, frame.height, -1, -1);
    for (s32 y = 0; y < frame.height; ++y)
        for (s32 x = 0; x < frame.width; ++x)
            if (!near(frame.at(x, y), kBlack, 8)) {
                box.UpperLeftCorner.X = core::min_(box.UpperLeftCorner.X, x);
                box.UpperLeftCorner.Y = core::min_(box.UpperLeftCorner.Y, y);
                box.LowerRightCorner.X = core::max_(box.LowerRightCorner.X, x);
                box.LowerRightCorner.Y = core::max_(box.LowerRightCorner.Y, y);
            }
    return box;
}

std::vector<bool> litMask(const Frame& frame)
{
    std::vector<bool> mask;
    for (s32 y = 0; y < frame.height; ++y)
        for (s32 x = 0; x < frame.width; ++x)
            mask.push_back(!near(frame.at(x, y), kBlack, 8));
    return mask;
}

Env::Sprite sprite(video::ITexture* texture, core::rect<f32> rect, const video::SColor* color, f32 angle, s32 flags)
{
    Env::Sprite s;
    s.texture = texture;
    s.rect = rect;
    s.texCoords = core::rect<f32>(0, 0, 1, 1);
    s.color = color;
    s.angle = angle;
    s.flags = flags;
    return s;
}

// Unlit, two-sided, with a texture that a white vertex colour shows as it is.
video::SMaterial flatMaterial(video::ITexture* texture)
{
    video::SMaterial material;
    material.Lighting = false;
    material.BackfaceCulling = false;
    material.setTexture(0, texture);
    return material;
}

// A buffer covering the clip-space columns x0..x1 at depth z, for identity transforms.
scene::SMeshBuffer* clipSpaceBuffer(f32 x0, f32 x1, f32 z, const video::SMaterial& material,
                                    video::SColor color = kWhite)
{
    scene::SMeshBuffer* buffer = new scene::SMeshBuffer();
    buffer->Vertices.push_back(video::S3DVertex(x0, 1, z, 0, 0, -1, color, 0, 0));
    buffer->Vertices.push_back(video::S3DVertex(x1, 1, z, 0, 0, -1, color, 1, 0));
    buffer->Vertices.push_back(video::S3DVertex(x0, -1, z, 0, 0, -1, color, 0, 1));
    buffer->Vertices.push_back(video::S3DVertex(x1, -1, z, 0, 0, -1, color, 1, 1));
    const u16 indices[6] = { 0, 1, 2, 1, 3, 2 };
    for (u16 i : indices)
        buffer->Indices.push_back(i);
    buffer->Material = material;
    buffer->recalculateBoundingBox();
    return buffer;
}

void setIdentityTransforms(video::IVideoDriver* driver)
{
    driver->setTransform(video::ETS_PROJECTION, core::matrix4());
    driver->setTransform(video::ETS_VIEW, core::matrix4());
    driver->setTransform(video::ETS_WORLD, core::matrix4());
}

// Keeps the callback's calls and hands on a material of its own choosing, or none.
class RecordingCallback : public Env::IMaterialCallback {
public:
    RecordingCallback(video::IVideoDriver* driver, const video::SMaterial* replacement)
        : mDriver(driver), mReplacement(replacement)
    {
    }
    void apply(video::SMaterial& material) override
    {
        seen.push_back(&material);
        if (mReplacement)
            mDriver->setMaterial(*mReplacement);
    }
    std::vector<const video::SMaterial*> seen;

private:
    video::IVideoDriver* mDriver;
    const video::SMaterial* mReplacement;
};

class EnvDrawTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override
    {
        if (GetParam() == Backend::OpenGL && !testing_support::haveDisplay())
            GTEST_SKIP() << "no X display";
        rig.reset(new SceneRig(GetParam()));
        ASSERT_NE(rig->device, nullptr);
        driver = rig->driver;
        env = rig->env;
        white = rig->addSolidTexture("white", 8, 8, kWhite);
        // Red, green / blue, white quadrants.
        quadrants = rig->addTexture("quadrants", 64, 64, [](u32 x, u32 y) {
            return y < 32 ? (x < 32 ? kRed : kGreen) : (x < 32 ? kBlue : kWhite);
        });
    }

    std::unique_ptr<SceneRig> rig;
    video::IVideoDriver* driver = nullptr;
    Env* env = nullptr;
    video::ITexture* white = nullptr;
    video::ITexture* quadrants = nullptr;
};

TEST_P(EnvDrawTest, QuadAndSpriteLeaveTheTransformsAsFound)
{
    core::matrix4 projection, view, world;
    projection.buildProjectionMatrixPerspectiveFovLH(1.2f, 1.5f, 0.5f, 50.0f);
    view.buildCameraLookAtMatrixLH(core::vector3df(1, 2, -3), core::vector3df(0, 1, 0), core::vector3df(0, 1, 0));
    world.setRotationDegrees(core::vector3df(10, 20, 30));
    world.setTranslation(core::vector3df(4, 5, 6));

    rig->render([&] {
        driver->setTransform(video::ETS_PROJECTION, projection);
        driver->setTransform(video::ETS_VIEW, view);
        driver->setTransform(video::ETS_WORLD, world);
        env->drawQuad(white, core::rect<f32>(10, 10, 100, 100), core::rect<f32>(0, 0, 1, 1), kWhite, 0);
        EXPECT_EQ(driver->getTransform(video::ETS_PROJECTION), projection);
        EXPECT_EQ(driver->getTransform(video::ETS_VIEW), view);
        EXPECT_EQ(driver->getTransform(video::ETS_WORLD), world);
        env->drawSprite(sprite(white, core::rect<f32>(10, 10, 100, 100), &kWhite, 0.7f, 1));
        EXPECT_EQ(driver->getTransform(video::ETS_PROJECTION), projection);
        EXPECT_EQ(driver->getTransform(video::ETS_VIEW), view);
        EXPECT_EQ(driver->getTransform(video::ETS_WORLD), world);
    });
}

TEST_P(EnvDrawTest, FullScreenQuadCoversTheScreenUpright)
{
    const Frame frame = rig->render([&] {
        env->drawQuad(quadrants, core::rect<f32>(0, 0, 640, 480), core::rect<f32>(0, 0, 1, 1), kWhite, 0);
    });
    const std::vector<bool> lit = litMask(frame);
    EXPECT_EQ(std::count(lit.begin(), lit.end(), false), 0);
    EXPECT_TRUE(near(frame.at(160, 120), kRed)) << rgb(frame.at(160, 120));
    EXPECT_TRUE(near(frame.at(480, 120), kGreen)) << rgb(frame.at(480, 120));
    EXPECT_TRUE(near(frame.at(160, 360), kBlue)) << rgb(frame.at(160, 360));
    EXPECT_TRUE(near(frame.at(480, 360), kWhite)) << rgb(frame.at(480, 360));

    // Corners given right to left still draw, mirrored.
    const Frame mirrored = rig->render([&] {
        env->drawQuad(quadrants, core::rect<f32>(640, 0, 0, 480), core::rect<f32>(0, 0, 1, 1), kWhite, 0);
    });
    EXPECT_TRUE(near(mirrored.at(160, 120), kGreen)) << rgb(mirrored.at(160, 120));
    EXPECT_TRUE(near(mirrored.at(480, 360), kBlue)) << rgb(mirrored.at(480, 360));
}

TEST_P(EnvDrawTest, QuarterTurnedSpriteStandsAroundTheSameCentre)
{
    // Left half red, right half green; a positive angle turns clockwise, so red ends on top.
    video::ITexture* halves = rig->addTexture("halves", 16, 16, [](u32 x, u32) { return x < 8 ? kRed : kGreen; });
    const Frame frame = rig->render([&] {
        env->drawSprite(sprite(halves, core::rect<f32>(270, 230, 370, 250), &kWhite, core::HALF_PI, 0));
    });
    const core::rect<s32> box = litBox(frame);
    EXPECT_NEAR(box.UpperLeftCorner.X, 310, 1);
    EXPECT_NEAR(box.LowerRightCorner.X, 329, 1);
    EXPECT_NEAR(box.UpperLeftCorner.Y, 190, 1);
    EXPECT_NEAR(box.LowerRightCorner.Y, 289, 1);
    EXPECT_TRUE(near(frame.at(320, 200), kRed)) << rgb(frame.at(320, 200));
    EXPECT_TRUE(near(frame.at(320, 280), kGreen)) << rgb(frame.at(320, 280));
}

TEST_P(EnvDrawTest, UnturnedSpriteCoversTheQuadsPixels)
{
    const core::rect<f32> rect(100, 60, 300, 200);
    const Frame quad = rig->render([&] { env->drawQuad(white, rect, core::rect<f32>(0, 0, 1, 1), kWhite, 0); });
    const Frame sprite0 = rig->render([&] { env->drawSprite(sprite(white, rect, &kWhite, 0, 0)); });
    EXPECT_EQ(litBox(quad), core::rect<s32>(100, 60, 299, 199));
    EXPECT_TRUE(litMask(quad) == litMask(sprite0));
}

TEST_P(EnvDrawTest, MeshWithoutCallbackDrawsEachBufferWithItsOwnMaterial)
{
    video::ITexture* red = rig->addSolidTexture("red", 4, 4, kRed);
    video::ITexture* green = rig->addSolidTexture("green", 4, 4, kGreen);
    video::ITexture* blue = rig->addSolidTexture("blue", 4, 4, kBlue);
    scene::SMesh mesh;
    scene::SMeshBuffer* left = clipSpaceBuffer(-1, 0, 0.5f, flatMaterial(red));
    scene::SMeshBuffer* right = clipSpaceBuffer(0, 1, 0.5f, flatMaterial(green));
    mesh.addMeshBuffer(left);
    mesh.addMeshBuffer(right);
    left->drop();
    right->drop();

    const Frame frame = rig->render([&] {
        setIdentityTransforms(driver);
        driver->setMaterial(flatMaterial(blue));
        env->drawMesh(&mesh, nullptr);
    });
    EXPECT_TRUE(near(frame.at(160, 240), kRed)) << rgb(frame.at(160, 240));
    EXPECT_TRUE(near(frame.at(480, 240), kGreen)) << rgb(frame.at(480, 240));
}

TEST_P(EnvDrawTest, MeshWithCallbackLeavesTheMaterialToTheCallback)
{
    video::ITexture* red = rig->addSolidTexture("red", 4, 4, kRed);
    video::ITexture* blue = rig->addSolidTexture("blue", 4, 4, kBlue);
    video::ITexture* yellow = rig->addSolidTexture("yellow", 4, 4, kYellow);
    scene::SMesh mesh;
    scene::SMeshBuffer* left = clipSpaceBuffer(-1, 0, 0.5f, flatMaterial(red));
    scene::SMeshBuffer* right = clipSpaceBuffer(0, 1, 0.5f, flatMaterial(red));
    mesh.addMeshBuffer(left);
    mesh.addMeshBuffer(right);
    left->drop();
    right->drop();

    // A callback that sets nothing: the buffers are drawn with whatever the driver had.
    RecordingCallback idle(driver, nullptr);
    Frame frame = rig->render([&] {
        setIdentityTransforms(driver);
        driver->setMaterial(flatMaterial(blue));
        env->drawMesh(&mesh, &idle);
    });
    EXPECT_TRUE(near(frame.at(160, 240), kBlue)) << rgb(frame.at(160, 240));
    EXPECT_TRUE(near(frame.at(480, 240), kBlue)) << rgb(frame.at(480, 240));
    ASSERT_EQ(idle.seen.size(), 2u);
    EXPECT_EQ(idle.seen[0], &left->getMaterial());
    EXPECT_EQ(idle.seen[1], &right->getMaterial());

    // A callback that sets its own material, through the second form.
    const video::SMaterial yellowMaterial = flatMaterial(yellow);
    RecordingCallback restyle(driver, &yellowMaterial);
    core::matrix4 world;
    world.setScale(core::vector3df(0.5f, 0.5f, 1));
    frame = rig->render([&] {
        setIdentityTransforms(driver);
        env->drawMesh(&mesh, world, &restyle);
        EXPECT_EQ(driver->getTransform(video::ETS_WORLD), world);
    });
    EXPECT_EQ(restyle.seen.size(), 2u);
    EXPECT_TRUE(near(frame.at(200, 240), kYellow)) << rgb(frame.at(200, 240));
    EXPECT_TRUE(near(frame.at(100, 240), kBlack)) << rgb(frame.at(100, 240));   // scaled to the middle
    EXPECT_EQ(left->getMaterial().getTexture(0), red);   // the mesh keeps its own material
}

TEST_P(EnvDrawTest, MeshWithoutBuffersDrawsNothing)
{
    scene::SMesh empty;
    RecordingCallback callback(driver, nullptr);
    const Frame frame = rig->render([&] {
        setIdentityTransforms(driver);
        env->drawMesh(&empty, &callback);
        env->drawMesh(&empty, nullptr);
    });
    EXPECT_TRUE(callback.seen.empty());
    EXPECT_EQ(litBox(frame).LowerRightCorner.X, -1);
}

INSTANTIATE_TEST_SUITE_P(Drivers, EnvDrawTest, ::testing::Values(Backend::Software, Backend::OpenGL),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return testing_support::backendName(info.param);
                         });

// What only the OpenGL driver shows faithfully: blending, filtering, the alpha cut and depth.
class EnvDrawGLTest : public EnvDrawTest {};

TEST_P(EnvDrawGLTest, FlagsChooseBlendingAndFiltering)
{
    // Two texels, black | dark red, stretched over the screen on a blue background.
    video::ITexture* ramp = rig->addTexture("ramp", 2, 1, [](u32 x, u32) {
        return x == 0 ? kBlack : video::SColor(255, 200, 0, 0);
    });
    const video::SColor background(255, 0, 0, 100);
    for (s32 flags = 0; flags < 4; ++flags) {
        SCOPED_TRACE(flags);
        const Frame quad = rig->render([&] {
            env->drawQuad(ramp, core::rect<f32>(0, 0, 640, 480), core::rect<f32>(0, 0, 1, 1), kWhite, flags);
        }, background);
        const Frame spr = rig->render([&] {
            env->drawSprite(sprite(ramp, core::rect<f32>(0, 0, 640, 480), &kWhite, 0, flags));
        }, background);
        // Additive blending keeps the background's blue; alpha blending replaces it.
        const u32 blue = (flags & 1) ? 100 : 0;
        EXPECT_NEAR(quad.at(300, 240).getBlue(), blue, 2);
        EXPECT_NEAR(spr.at(300, 240).getBlue(), blue, 2);
        // Just left of the middle, filtering mixes in the red texel; unfiltered it is black.
        if (flags & 2)
            EXPECT_EQ(quad.at(300, 240).getRed(), 0u);
        else
            EXPECT_NEAR(quad.at(300, 240).getRed(), 88, 20);
        EXPECT_NEAR(spr.at(300, 240).getRed(), 88, 20);   // sprites are always filtered
    }
}

TEST_P(EnvDrawGLTest, TexelsBelowHalfAlphaAreCut)
{
    video::ITexture* texture = rig->addTexture("alphas", 2, 1, [](u32 x, u32) {
        return video::SColor(x == 0 ? 102 : 153, 255, 0, 0);
    });
    const Frame frame = rig->render([&] {
        env->drawQuad(texture, core::rect<f32>(0, 0, 640, 480), core::rect<f32>(0, 0, 1, 1), kWhite, 2);
    }, video::SColor(255, 0, 0, 200));
    EXPECT_TRUE(near(frame.at(160, 240), video::SColor(255, 0, 0, 200))) << rgb(frame.at(160, 240));
    EXPECT_TRUE(near(frame.at(480, 240), video::SColor(255, 153, 0, 80))) << rgb(frame.at(480, 240));
}

TEST_P(EnvDrawGLTest, AlphaQuadsWriteDepthAdditiveQuadsDoNot)
{
    video::SMaterial solid;
    solid.Lighting = false;
    scene::SMesh far;
    scene::SMeshBuffer* buffer = clipSpaceBuffer(-1, 1, 0.9f, solid, kGreen);
    far.addMeshBuffer(buffer);
    buffer->drop();

    const video::SColor grey(255, 60, 60, 60);
    for (s32 flags : { 0, 1 }) {
        const Frame frame = rig->render([&] {
            env->drawQuad(white, core::rect<f32>(0, 0, 320, 480), core::rect<f32>(0, 0, 1, 1), grey, flags);
            setIdentityTransforms(driver);
            env->drawMesh(&far, nullptr);
        });
        // Behind an alpha quad the far surface is hidden; an additive quad lets it through.
        EXPECT_TRUE(near(frame.at(160, 240), flags == 0 ? grey : kGreen)) << flags << rgb(frame.at(160, 240));
        EXPECT_TRUE(near(frame.at(480, 240), kGreen)) << rgb(frame.at(480, 240));
    }
}

INSTANTIATE_TEST_SUITE_P(Drivers, EnvDrawGLTest, ::testing::Values(Backend::OpenGL),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                             return testing_support::backendName(info.param);
                         });

} // namespace
