#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "TestSupport.h"
#include "env/Env.h"
#include "framework/Sequencer.h"
#include "platform/ProcessEnd.h"
#include "tools/capture/Capture.h"
#include "tools/capture/SceneDriver.h"
#include "tools/capture/ShowDriver.h"
#include "tools/capture/ShowSchedule.h"

using veko::Effect;
using veko::Env;
using veko::Sequencer;
using veko::ShowSchedule;

namespace {

// What a scene sees in each of its frames.
struct Seen {
    int id;
    float dt;
    float showTime;
    float localTime;
};

class ProbeEffect : public Effect {
public:
    ProbeEffect(int id, std::vector<Seen>& seen) : mId(id), mSeen(seen) {}
    void init() override {}
    void idle(float dt) override
    {
        Effect::idle(dt);
        mSeen.push_back({ mId, dt, Env::instance()->time(), localTime() });
    }
    void shutdown() override {}

private:
    int mId;
    std::vector<Seen>& mSeen;
};

const int kIds[] = { 1000, 1100, 1200, 1300, 1500, 1600, 1900, 2200, 2500 };

int sEnds = 0;
void countEnd(int)
{
    ++sEnds;
}

class FrameTime : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = testing_support::createNullDevice();
        ASSERT_NE(device, nullptr);
        env = new Env(device);
        sequencer = new Sequencer();
        for (int id : kIds)
            sequencer->adopt(id, new ProbeEffect(id, seen));
        sEnds = 0;
        previousEnd = veko::setProcessEndHandler(countEnd);
    }
    void TearDown() override
    {
        veko::setProcessEndHandler(previousEnd);
        delete sequencer;
        delete env;
        device->drop();
    }

    irr::IrrlichtDevice* device = nullptr;
    Env* env = nullptr;
    Sequencer* sequencer = nullptr;
    std::vector<Seen> seen;
    veko::ProcessEndHandler previousEnd = nullptr;
};

TEST(ShowScheduleTest, FrameKStandsAtKOverFpsToTheMillisecondWithoutDrift)
{
    for (int fps : { 24, 25, 30, 50, 60, 144, 1000 }) {
        ShowSchedule schedule(fps);
        ASSERT_TRUE(schedule.advance());
        EXPECT_EQ(schedule.frame(), 0);
        EXPECT_EQ(schedule.showTime(), 0.0f);
        EXPECT_NE(schedule.timerReading(), 0u) << "a first reading of 0 reads as no frame yet";
        double worst = 0.0;
        while (schedule.advance()) {
            const double error = std::fabs(schedule.showTime() - static_cast<double>(schedule.frame()) / fps);
            worst = std::max(worst, error);
        }
        EXPECT_LE(worst, 0.0005 + 1e-5) << fps << " fps";
        // The last frame is the last one before the end: the next would pass it.
        EXPECT_LE(schedule.showTime(), Sequencer::showLength()) << fps;
        EXPECT_GT(static_cast<double>(schedule.frame() + 1) / fps, 70.728 - 0.0006) << fps;
        EXPECT_EQ(ShowSchedule::frameCount(fps), schedule.frame() + 1) << fps;
    }
    EXPECT_EQ(ShowSchedule::frameCount(60), 4244);   // 4243/60 = 70.7167 s
    EXPECT_EQ(ShowSchedule::frameCount(10), 708);
}

TEST_F(FrameTime, ShowFramesRunTheSequencerAtKOverFpsAndStopBeforeTheEnd)
{
    const int fps = 60;
    int frames = 0;
    {
        veko::ShowDriver driver(device, sequencer, fps);
        while (driver.frame()) {
            ASSERT_EQ(driver.frameIndex(), frames);
            ++frames;
        }
    }
    EXPECT_EQ(frames, ShowSchedule::frameCount(fps));
    ASSERT_EQ(seen.size(), static_cast<size_t>(frames));
    EXPECT_EQ(sEnds, 0) << "the process end was reached";
    EXPECT_EQ(veko::setProcessEndHandler(countEnd), countEnd) << "the handler was not given back";

    // The first frame passes no step and leaves the clock at 0, as in the show.
    EXPECT_EQ(seen[0].dt, 0.0f);
    EXPECT_EQ(seen[0].showTime, 0.0f);
    for (int k = 0; k < frames; ++k) {
        EXPECT_NEAR(seen[k].showTime, static_cast<double>(k) / fps, 0.0005 + 1e-5) << k;
        EXPECT_EQ(seen[k].id, Sequencer::effectIdAt(seen[k].showTime)) << k;
    }
    // Every scheduled scene starts from its own time 0.
    EXPECT_EQ(seen[607].id, 1500);
    EXPECT_EQ(seen[606].id, 1000);
    EXPECT_EQ(seen[607].localTime, 0.0f);
    EXPECT_EQ(seen.back().id, 1900);
}

TEST_F(FrameTime, TimerStandsStillBetweenFramesAndIsGivenBack)
{
    irr::ITimer* timer = device->getTimer();
    {
        veko::ShowDriver driver(device, sequencer, 50);
        ASSERT_TRUE(driver.frame());
        ASSERT_TRUE(driver.frame());
        EXPECT_EQ(timer->getTime(), ShowSchedule::kTimerStart + 20);
        EXPECT_TRUE(timer->isStopped());
        device->run();   // the device ticks the timer here; a stopped one keeps its reading
        EXPECT_EQ(timer->getTime(), ShowSchedule::kTimerStart + 20);
    }
    EXPECT_FALSE(timer->isStopped());
    EXPECT_EQ(seen.back().showTime, 0.02f);
}

TEST_F(FrameTime, SceneFramesRunOneSceneFromItsTimeZeroAndTheShowClockFromItsStart)
{
    const int fps = 60;
    const int frames = 1300;
    for (float showStart : { 0.0f, 30.312f }) {
        const int id = showStart == 0.0f ? 1300 : 1100;   // a scene runs once, from its first frame
        seen.clear();
        env->addTime(33.0f);   // whatever ran before, the clock starts where it is told
        {
            veko::SceneDriver driver(device, sequencer->effect(id), fps, showStart);
            for (int k = 0; k < frames; ++k)
                ASSERT_TRUE(driver.frame());
            EXPECT_EQ(driver.frameIndex(), frames - 1);
        }
        ASSERT_EQ(seen.size(), static_cast<size_t>(frames));
        EXPECT_EQ(seen[0].dt, 0.0f);
        EXPECT_EQ(seen[0].showTime, showStart);
        for (int k = 1; k < frames; ++k) {
            const double t = static_cast<double>(k) / fps;
            const float local = static_cast<float>(t), show = static_cast<float>(showStart + t);
            // Each clock within one unit in the last place of the float nearest its target.
            EXPECT_LE(std::fabs(seen[k].localTime - local), std::nextafter(local, 1e9f) - local) << k;
            EXPECT_LE(std::fabs(seen[k].showTime - show), std::nextafter(show, 1e9f) - show) << k;
            EXPECT_NEAR(seen[k].dt, 1.0 / fps, 1e-5) << k;
        }
        if (showStart == 0.0f) {
            for (int k = 0; k < frames; ++k)
                EXPECT_EQ(seen[k].showTime, seen[k].localTime) << k;
        }
    }
}

TEST(CaptureSpan, FramesOfASpanAreThoseWithFromAtOrBeforeThemAndToAfter)
{
    using veko::Capture;
    EXPECT_EQ(Capture::firstFrame(0.0, 60), 0);
    EXPECT_EQ(Capture::firstFrame(10.0, 60), 600);
    EXPECT_EQ(Capture::firstFrame(0.1, 30), 3);      // 0.1 * 30 is a hair above 3 in doubles
    EXPECT_EQ(Capture::firstFrame(0.01, 60), 1);
    EXPECT_EQ(Capture::endFrame(10.5, 60), 630);     // frames 600..629: half a second
    EXPECT_EQ(Capture::endFrame(0.1, 30), 3);
    EXPECT_EQ(Capture::endFrame(0.101, 30), 4);
}

} // namespace
