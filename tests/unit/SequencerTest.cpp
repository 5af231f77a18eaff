#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <GL/gl.h>

#include "env/Env.h"
#include "framework/Sequencer.h"
#include "platform/ProcessEnd.h"
#include "SceneRig.h"
#include "TestSupport.h"

using veko::Effect;
using veko::Env;
using veko::Sequencer;

namespace {

// Records what the sequencer asks of it.
struct Calls {
    std::vector<int> idles;        // effect ids, in call order
    std::vector<float> deltas;
    std::vector<int> lifecycle;    // +id for init, -id for shutdown
    int deleted = 0;
};

class ProbeEffect : public Effect {
public:
    ProbeEffect(int id, Calls& calls) : mId(id), mCalls(calls) {}
    ~ProbeEffect() override { ++mCalls.deleted; }
    void init() override { mCalls.lifecycle.push_back(mId); }
    void idle(float dt) override
    {
        Effect::idle(dt);
        mCalls.idles.push_back(mId);
        mCalls.deltas.push_back(dt);
    }
    void shutdown() override { mCalls.lifecycle.push_back(-mId); }

private:
    int mId;
    Calls& mCalls;
};

int sEndCalls = 0;
int sEndCode = -1;
void recordEnd(int code)
{
    ++sEndCalls;
    sEndCode = code;
}

const int kIds[] = { 1000, 1100, 1200, 1300, 1500, 1600, 1900, 2200, 2500 };

class SequencerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = testing_support::createNullDevice();
        ASSERT_NE(device, nullptr);
        env = new Env(device);
        sequencer = new Sequencer();
        for (int id : kIds)
            sequencer->adopt(id, new ProbeEffect(id, calls));
        sEndCalls = 0;
        sEndCode = -1;
        previousEnd = veko::setProcessEndHandler(recordEnd);
    }
    void TearDown() override
    {
        veko::setProcessEndHandler(previousEnd);
        delete sequencer;
        delete env;
        device->drop();
    }

    void frameAt(unsigned int ms)
    {
        device->getTimer()->setTime(ms);
        sequencer->frame();
    }

    irr::IrrlichtDevice* device = nullptr;
    Env* env = nullptr;
    Sequencer* sequencer = nullptr;
    Calls calls;
    veko::ProcessEndHandler previousEnd = nullptr;
};

TEST(Timetable, BoundaryValuesBelongToTheEarlierSlot)
{
    struct Row { float threshold; int id; int next; };
    const Row rows[] = {
        { 10.104f, 1000, 1500 }, { 20.208f, 1500, 2500 }, { 30.312f, 2500, 1100 },
        { 50.52f, 1100, 2200 },  { 60.624f, 2200, 1900 }, { 70.728f, 1900, 0 },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Sequencer::effectIdAt(row.threshold), row.id) << row.threshold;
        EXPECT_EQ(Sequencer::effectIdAt(std::nextafter(row.threshold, 100.0f)), row.next) << row.threshold;
    }
    // The single-precision values the clock is compared with.
    EXPECT_EQ(static_cast<double>(10.104f), 10.104000091552734);
    EXPECT_EQ(static_cast<double>(70.728f), 70.72799682617188);
    EXPECT_EQ(Sequencer::showLength(), 70.728f);
}

TEST(Timetable, EachSlotHoldsItsSceneThroughout)
{
    EXPECT_EQ(Sequencer::effectIdAt(0.0f), 1000);
    EXPECT_EQ(Sequencer::effectIdAt(15.0f), 1500);
    EXPECT_EQ(Sequencer::effectIdAt(25.0f), 2500);
    for (float t = 30.32f; t < 50.52f; t += 0.5f)
        EXPECT_EQ(Sequencer::effectIdAt(t), 1100) << t;
    EXPECT_EQ(Sequencer::effectIdAt(55.0f), 2200);
    EXPECT_EQ(Sequencer::effectIdAt(65.0f), 1900);
    EXPECT_EQ(Sequencer::effectIdAt(1000.0f), 0);
}

TEST_F(SequencerTest, InitAndShutdownRunInAscendingIdOrder)
{
    sequencer->initAll();
    sequencer->shutdownAll();
    std::vector<int> expected;
    for (int id : kIds)
        expected.push_back(id);
    for (int id : kIds)
        expected.push_back(-id);
    EXPECT_EQ(calls.lifecycle, expected);
}

TEST_F(SequencerTest, FirstFrameLeavesTheClockAtZeroAndPassesNoDelta)
{
    frameAt(5000);   // loading took five seconds of engine time
    EXPECT_EQ(env->time(), 0.0f);
    ASSERT_EQ(calls.idles.size(), 1u);
    EXPECT_EQ(calls.idles[0], 1000);
    EXPECT_EQ(calls.deltas[0], 0.0f);

    frameAt(5016);
    EXPECT_FLOAT_EQ(env->time(), 0.016f);
    EXPECT_FLOAT_EQ(calls.deltas[1], 0.016f);
    EXPECT_FLOAT_EQ(sequencer->effect(1000)->localTime(), 0.016f);
}

TEST_F(SequencerTest, StartedWithTheMusicTheFirstFrameCatchesUp)
{
    sequencer->start(0);     // the music starts; the window gets the focus 12 s later
    frameAt(12000);
    EXPECT_FLOAT_EQ(env->time(), 12.0f);
    EXPECT_EQ(calls.idles, (std::vector<int>{ 1500 }));
}

TEST_F(SequencerTest, TimerWrapGivesTheTrueSmallDelta)
{
    frameAt(0xFFFFFFF0u);
    frameAt(0x00000010u);   // 32 ms later, across the wrap
    EXPECT_FLOAT_EQ(env->time(), 0.032f);
    EXPECT_EQ(calls.idles.back(), 1000);
}

TEST_F(SequencerTest, LongGapSkipsScenesAndKeepsTheShowInStep)
{
    frameAt(1000);
    frameAt(2000);
    frameAt(2000 + 35000);   // the window was inactive for 35 s
    EXPECT_FLOAT_EQ(env->time(), 36.0f);
    EXPECT_EQ(calls.idles, (std::vector<int>{ 1000, 1000, 1100 }));
    EXPECT_FLOAT_EQ(calls.deltas.back(), 35.0f);
    EXPECT_EQ(sEndCalls, 0);
}

TEST_F(SequencerTest, ShowEndEndsTheProcessBeforeAnySceneRuns)
{
    frameAt(1000);
    frameAt(1000 + 70728);   // exactly the last threshold in f32 still plays
    EXPECT_EQ(sEndCalls, 0);
    EXPECT_EQ(calls.idles.back(), 1900);

    const size_t idlesBefore = calls.idles.size();
    frameAt(1000 + 70728 + 1);
    EXPECT_EQ(sEndCalls, 1);
    EXPECT_EQ(sEndCode, 0);
    EXPECT_EQ(calls.idles.size(), idlesBefore);
}

TEST_F(SequencerTest, ShowInTheBackgroundEndsWhenItsClockWouldPassTheEnd)
{
    frameAt(1000);
    frameAt(2000);
    // The window goes inactive: no frame, the clock stands still, the show's end is still seen.
    sequencer->endIfOver(1000 + 70728);   // the next frame would still play
    EXPECT_EQ(sEndCalls, 0);
    EXPECT_FLOAT_EQ(env->time(), 1.0f);
    const size_t idlesBefore = calls.idles.size();
    sequencer->endIfOver(1000 + 70728 + 1);
    EXPECT_EQ(sEndCalls, 1);
    EXPECT_EQ(sEndCode, 0);
    EXPECT_FLOAT_EQ(env->time(), 1.0f);
    EXPECT_EQ(calls.idles.size(), idlesBefore);
}

TEST_F(SequencerTest, SceneMissingFromTheSequencerDrawsNothing)
{
    sequencer->adopt(1000, nullptr);
    frameAt(1000);
    frameAt(1100);
    EXPECT_TRUE(calls.idles.empty());
    EXPECT_EQ(sEndCalls, 0);
}

TEST_F(SequencerTest, DeletionFreesEveryEffect)
{
    delete sequencer;
    sequencer = nullptr;
    EXPECT_EQ(calls.deleted, 9);
}

TEST(RealSequencer, HoldsExactlyTheNineScenes)
{
    Sequencer sequencer;   // scene constructors do no engine work, so no Env is needed yet
    EXPECT_EQ(sequencer.ids(), std::vector<int>(std::begin(kIds), std::end(kIds)));
    for (int id : kIds)
        EXPECT_NE(sequencer.effect(id), nullptr) << id;
}

TEST(RealSequencer, ScenesStartAndEndWithoutTheirFiles)
{
    testing_support::SceneRig rig(testing_support::Backend::Null, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    Sequencer* sequencer = new Sequencer();
    sequencer->initAll();
    sequencer->shutdownAll();
    delete sequencer;
}

// Before the show starts, a stand-in of each shown scene draws one frame so that the driver
// has made ready every way of drawing. The scenes held, a scene put in by hand and the
// engine's drawing state must come out of it as they went in.
TEST(Rehearsal, LeavesTheScenesAndTheDrawingStateAsTheyWere)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "needs an X display";
    testing_support::SceneRig rig(testing_support::Backend::OpenGL, testing_support::Folder::Empty);
    ASSERT_TRUE(rig.ready());
    irr::video::IVideoDriver* driver = rig.driver;
    Sequencer sequencer;
    Calls calls;
    sequencer.adopt(1500, new ProbeEffect(1500, calls));
    sequencer.initAll();

    // A state no scene would leave behind.
    irr::video::SLight light;
    light.Type = irr::video::ELT_POINT;
    light.Position = irr::core::vector3df(1.0f, 2.0f, 3.0f);
    light.DiffuseColor = irr::video::SColorf(0.1f, 0.2f, 0.3f, 1.0f);
    driver->deleteAllDynamicLights();
    driver->addDynamicLight(light);
    driver->setAmbientLight(irr::video::SColorf(0.25f, 0.5f, 0.75f, 1.0f));
    irr::core::matrix4 view, world, projection;
    view.setTranslation(irr::core::vector3df(4.0f, 5.0f, 6.0f));
    world.setRotationDegrees(irr::core::vector3df(10.0f, 20.0f, 30.0f));
    projection.buildProjectionMatrixOrthoLH(7.0f, 8.0f, 1.0f, 9.0f);
    driver->setTransform(irr::video::ETS_VIEW, view);
    driver->setTransform(irr::video::ETS_WORLD, world);
    driver->setTransform(irr::video::ETS_PROJECTION, projection);
    driver->setFog(irr::video::SColor(255, 1, 2, 3), irr::video::EFT_FOG_EXP, 11.0f, 22.0f, 0.33f, true, true);
    driver->getMaterial2D().ZBuffer = irr::video::ECFN_ALWAYS;

    driver->beginScene(true, true, irr::video::SColor(255, 0, 0, 0));
    sequencer.rehearse();
    driver->endScene();

    ASSERT_EQ(driver->getDynamicLightCount(), 1u);
    EXPECT_EQ(driver->getDynamicLight(0).Position, light.Position);
    EXPECT_EQ(driver->getDynamicLight(0).Type, light.Type);
    GLfloat ambient[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_EQ(ambient[0], 0.25f);
    EXPECT_EQ(ambient[1], 0.5f);
    EXPECT_EQ(ambient[2], 0.75f);
    EXPECT_EQ(driver->getTransform(irr::video::ETS_VIEW), view);
    EXPECT_EQ(driver->getTransform(irr::video::ETS_WORLD), world);
    EXPECT_EQ(driver->getTransform(irr::video::ETS_PROJECTION), projection);
    irr::video::SColor fogColor;
    irr::video::E_FOG_TYPE fogType;
    irr::f32 start, end, density;
    bool pixelFog, rangeFog;
    driver->getFog(fogColor, fogType, start, end, density, pixelFog, rangeFog);
    EXPECT_EQ(fogColor, irr::video::SColor(255, 1, 2, 3));
    EXPECT_EQ(fogType, irr::video::EFT_FOG_EXP);
    EXPECT_EQ(density, 0.33f);
    EXPECT_EQ(driver->getMaterial2D().ZBuffer, irr::video::ECFN_ALWAYS);

    // The scene put in by hand was not asked for a frame, and the held ones never drew: the
    // delta of a scene's first frame is ignored, so a scene that drew in the rehearsal would
    // count this one.
    EXPECT_TRUE(calls.idles.empty());
    for (int id : { 1000, 2500, 1100, 2200, 1900 }) {   // the shown scenes but the one put in by hand
        Effect* scene = sequencer.effect(id);
        ASSERT_NE(scene, nullptr) << id;
        driver->beginScene(true, true, irr::video::SColor(255, 0, 0, 0));
        scene->idle(0.25f);
        driver->endScene();
        EXPECT_EQ(scene->localTime(), 0.0f) << id;
    }
    sequencer.shutdownAll();
}

TEST(EffectClock, FirstDeltaIsIgnoredAndLaterOnesAdd)
{
    Calls calls;
    ProbeEffect effect(1, calls);
    EXPECT_EQ(effect.localTime(), 0.0f);
    effect.idle(1234.5f);
    EXPECT_EQ(effect.localTime(), 0.0f);
    effect.idle(0.25f);
    EXPECT_EQ(effect.localTime(), 0.25f);
    effect.idle(0.5f);
    EXPECT_EQ(effect.localTime(), 0.75f);
}

TEST(EnvInstance, ExistsOnlyWhileAnEnvLives)
{
    EXPECT_EQ(Env::instance(), nullptr);
    irr::IrrlichtDevice* device = testing_support::createNullDevice();
    ASSERT_NE(device, nullptr);
    Env* env = new Env(device);
    EXPECT_EQ(Env::instance(), env);
    EXPECT_EQ(env->device(), device);
    EXPECT_EQ(env->driver(), device->getVideoDriver());
    EXPECT_EQ(env->sceneManager(), device->getSceneManager());
    EXPECT_EQ(env->time(), 0.0f);
    env->addTime(0.5f);
    env->addTime(0.25f);
    EXPECT_EQ(env->time(), 0.75f);
    delete env;
    EXPECT_EQ(Env::instance(), nullptr);
    device->drop();
}

} // namespace
