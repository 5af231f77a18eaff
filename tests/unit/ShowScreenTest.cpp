// SPDX-License-Identifier: MIT
// The picture reaches a window of a size that is not a whole factor alike by both ways: drawn
// with OpenGL's sharp scaling onto the back buffer, or scaled on the processor and put on the
// window past OpenGL. Both must show it the right way up, in the same place, black around.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "GLSupport.h"
#include "app/ShowDevice.h"
#include "env/Env.h"
#include "env/ShowScreen.h"
#include "platform/ShowWindow.h"
#include "platform/XServer.h"

namespace {

const int kWidth = 1000, kHeight = 700;   // the picture 933x700 at x 33 (1.458 times)
// The part of the window compared: the X server keeps only what lies on its screen, and the
// tests' screen may be as small as 640x480.
const int kShownWidth = 640, kShownHeight = 480;

// RGB of the window's upper left part, top row first: from the back buffer, or from the X server.
std::vector<std::uint8_t> backBuffer()
{
    std::vector<std::uint8_t> bottomUp(kWidth * kHeight * 3), rgb;
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int y = 0; y < kShownHeight; ++y)
        rgb.insert(rgb.end(), &bottomUp[(kHeight - 1 - y) * kWidth * 3], &bottomUp[(kHeight - 1 - y) * kWidth * 3 + kShownWidth * 3]);
    return rgb;
}

std::vector<std::uint8_t> xWindow(Display* display, unsigned long window)
{
    std::vector<std::uint8_t> rgb;
    XImage* image = XGetImage(display, window, 0, 0, kShownWidth, kShownHeight, AllPlanes, ZPixmap);
    if (!image)
        return rgb;
    for (int y = 0; y < kShownHeight; ++y)
        for (int x = 0; x < kShownWidth; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            rgb.insert(rgb.end(), { std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p) });
        }
    XDestroyImage(image);
    return rgb;
}

// One frame of noise in the picture, shown by the given way; returns what the window shows.
std::vector<std::uint8_t> showNoise(veko::Env* env, irr::video::ITexture* noise, veko::ShowScreen::Presentation way,
                                    bool* pastGl)
{
    auto screen = std::make_unique<veko::ShowScreen>(env, false, way);
    irr::video::IVideoDriver* driver = env->driver();
    screen->beginFrame();
    driver->draw2DImage(noise, irr::core::position2di(0, 0));
    *pastGl = screen->present();
    if (*pastGl) {
        screen.reset();   // past OpenGL the picture is put from another thread: now it is sent
        return xWindow(veko::engineDisplay(env->device()), veko::engineWindow(env->device()));
    }
    std::vector<std::uint8_t> shown = backBuffer();
    driver->endScene();
    return shown;
}

TEST(ShowScreen, BothWaysToTheWindowShowTheSameScaledPicture)
{
    if (!testing_support::haveDisplay())
        GTEST_SKIP() << "no X display";
    testing_support::quietAudio();
    std::unique_ptr<veko::ShowWindow> window(veko::ShowWindow::create(veko::ShowWindow::WINDOWED, veko::kShowDepthBits));
    ASSERT_NE(window, nullptr);
    irr::IrrlichtDevice* device = veko::createShowDevice(nullptr, window.get());
    ASSERT_NE(device, nullptr);
    Display* display = veko::engineDisplay(device);
    window->listenOn(display);
    window->show();
    XResizeWindow(display, window->id(), kWidth, kHeight);
    XSync(display, False);
    irr::video::IVideoDriver* driver = device->getVideoDriver();
    for (int i = 0; i < 200 && driver->getScreenSize() != irr::core::dimension2du(kWidth, kHeight); ++i) {
        device->run();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(driver->getScreenSize(), irr::core::dimension2du(kWidth, kHeight));
    // OpenGL's back buffer takes the window's new size with the next swap.
    driver->beginScene(true, true, irr::video::SColor(0));
    driver->endScene();

    irr::video::IImage* image = driver->createImage(irr::video::ECF_A8R8G8B8, irr::core::dimension2du(640, 480));
    std::mt19937 random(3);
    for (irr::u32 y = 0; y < 480; ++y)
        for (irr::u32 x = 0; x < 640; ++x)
            image->setPixel(x, y, irr::video::SColor(random() | 0xff000000u));
    irr::video::ITexture* noise = driver->addTexture("noise", image);
    image->drop();
    veko::Env* env = new veko::Env(device);

    bool pastGl = true;
    const std::vector<std::uint8_t> gl = showNoise(env, noise, veko::ShowScreen::THROUGH_GL, &pastGl);
    EXPECT_FALSE(pastGl);
    const std::vector<std::uint8_t> cpu = showNoise(env, noise, veko::ShowScreen::THROUGH_CPU, &pastGl);
    EXPECT_TRUE(pastGl);
    ASSERT_EQ(gl.size(), cpu.size());
    // On llvmpipe both ways give the same bytes; another renderer may round its blend of
    // neighbours differently by a step or two.
    int far = 0, off = 0, barPixels = 0;
    for (size_t k = 0; k < gl.size(); ++k) {
        const int d = std::abs(int(gl[k]) - int(cpu[k]));
        far += d > 2;
        off += d > 0;
        const int x = int(k / 3 % kShownWidth);
        if (x < 33 && (gl[k] || cpu[k]))
            ++barPixels;
    }
    EXPECT_EQ(far, 0) << off << " channels differ at all";
    EXPECT_EQ(barPixels, 0) << "the bars are not black";

    // What the frame log is told: past OpenGL a picture reaches the window with the next
    // frame's present, through OpenGL with its own.
    for (veko::ShowScreen::Presentation way : { veko::ShowScreen::THROUGH_CPU, veko::ShowScreen::THROUGH_GL }) {
        veko::ShowScreen screen(env, false, way);
        const float first = env->time();
        for (int frame = 0; frame < 2; ++frame) {
            screen.beginFrame();
            if (!screen.present())
                driver->endScene();
            if (way == veko::ShowScreen::THROUGH_GL)
                EXPECT_EQ(screen.shownTime(), env->time()) << "OpenGL, frame " << frame;
            else if (frame == 0)
                EXPECT_LT(screen.shownTime(), 0.0f) << "no picture on the window yet";
            else
                EXPECT_EQ(screen.shownTime(), first) << "the first frame's picture";
            env->addTime(0.25f);
        }
    }

    delete env;
    device->drop();
}

} // namespace
