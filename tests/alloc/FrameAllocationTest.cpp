// SPDX-License-Identifier: MIT
// Counts heap allocations made through operator new while each scene draws frames after
// its first ones. A steady frame allocates nothing in our code. The engine allocates inside
// some calls we make per frame (its OpenGL setMaterial copies texture matrices, and
// addDynamicLight grows its light list after deleteAllDynamicLights freed it); those are
// counted apart, by the library that called operator new, and reported.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <dlfcn.h>
#include <unistd.h>

#include "env/Env.h"
#include "framework/Sequencer.h"
#include "../unit/GLSupport.h"

namespace {
std::atomic<long> sNewCalls{0};
std::atomic<long> sEngineNewCalls{0};
bool sCounting = false;

bool calledFromEngine(void* caller)
{
    Dl_info info;
    return dladdr(caller, &info) != 0 && info.dli_fname != nullptr &&
           std::strstr(info.dli_fname, "libIrrlicht") != nullptr;
}
}

void* operator new(std::size_t size)
{
    if (sCounting) {
        if (calledFromEngine(__builtin_return_address(0)))
            ++sEngineNewCalls;
        else
            ++sNewCalls;
    }
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

const int kIds[] = { 1000, 1100, 1200, 1300, 1500, 1600, 1900, 2200, 2500 };

class FrameAllocationTest : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite()
    {
        if (!testing_support::haveDisplay())
            return;
        // The scenes load "../data/...", as the show does from its bin folder.
        if (chdir(KAVRI_BIN_DIR) != 0)
            return;
        device = testing_support::createGLDevice();
        env = new veko::Env(device);
        sequencer = new veko::Sequencer();
        sequencer->initAll();
    }
    static void TearDownTestSuite()
    {
        if (!device)
            return;
        delete sequencer;
        delete env;
        device->drop();
        device = nullptr;
    }

    static void drawFrame(veko::Effect* effect, float dt)
    {
        env->addTime(dt);
        env->driver()->beginScene(true, true, irr::video::SColor(0));
        effect->idle(dt);
        env->driver()->endScene();
    }

    static irr::IrrlichtDevice* device;
    static veko::Env* env;
    static veko::Sequencer* sequencer;
};

irr::IrrlichtDevice* FrameAllocationTest::device = nullptr;
veko::Env* FrameAllocationTest::env = nullptr;
veko::Sequencer* FrameAllocationTest::sequencer = nullptr;

TEST_P(FrameAllocationTest, SteadyFramesAllocateNothing)
{
    if (!device)
        GTEST_SKIP() << "needs an X display with OpenGL";
    veko::Effect* effect = sequencer->effect(GetParam());
    if (!effect)
        GTEST_SKIP() << "scene " << GetParam() << " is not in the sequencer";

    // The first frames may set things up (the opening scene makes its burst after 7.6 s).
    drawFrame(effect, 0.0f);
    drawFrame(effect, 8.0f);
    drawFrame(effect, 0.016f);

    const int frames = 30;
    sNewCalls = 0;
    sEngineNewCalls = 0;
    sCounting = true;
    for (int i = 0; i < frames; ++i)
        drawFrame(effect, 0.016f);
    sCounting = false;
    EXPECT_EQ(sNewCalls.load(), 0) << "scene " << GetParam();
    std::printf("scene %d: %ld allocations a frame inside the engine\n", GetParam(), sEngineNewCalls.load() / frames);
}

INSTANTIATE_TEST_SUITE_P(EveryScene, FrameAllocationTest, ::testing::ValuesIn(kIds));

} // namespace
