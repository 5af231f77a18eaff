// SPDX-License-Identifier: MIT
// The show draws its 640x480 picture into a render target and scales it onto its window;
// kavri-capture draws straight into a 640x480 window. At the same show time both must hold
// exactly the same pixels.

#include "CaptureRun.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "TestSupport.h"
#include "app/ShowDevice.h"
#include "env/Env.h"
#include "env/ShowScreen.h"
#include "framework/Sequencer.h"
#include "platform/ShowWindow.h"
#include "tools/capture/ShowDriver.h"

using namespace capture_run;

namespace {

const int kFps = 2;

// The show's picture, RGB, top row first (as it holds it).
std::vector<std::uint8_t> readPicture(irr::video::IVideoDriver* driver, irr::video::ITexture* picture)
{
    const int w = 640, h = 480;
    driver->setRenderTarget(picture, false, false, irr::video::SColor(0));
    std::vector<std::uint8_t> rgb(w * h * 3);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// The window's back buffer, RGB, top row first.
std::vector<std::uint8_t> readWindow(int w, int h)
{
    std::vector<std::uint8_t> bottomUp(w * h * 3), rgb(w * h * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int y = 0; y < h; ++y)
        std::copy_n(&bottomUp[(h - 1 - y) * w * 3], w * 3, &rgb[y * w * 3]);
    return rgb;
}

std::vector<std::uint8_t> readPng(irr::video::IVideoDriver* driver, const fs::path& file)
{
    std::vector<std::uint8_t> rgb;
    irr::video::IImage* image = driver->createImageFromFile(file.c_str());
    if (!image)
        return rgb;
    for (irr::u32 y = 0; y < image->getDimension().Height; ++y)
        for (irr::u32 x = 0; x < image->getDimension().Width; ++x) {
            const irr::video::SColor c = image->getPixel(x, y);
            rgb.insert(rgb.end(), { std::uint8_t(c.getRed()), std::uint8_t(c.getGreen()), std::uint8_t(c.getBlue()) });
        }
    image->drop();
    return rgb;
}

TEST_F(CaptureRun, ShowPictureEqualsTheCaptureFramesThroughTheWholeShow)
{
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "no X display";
    const Result r = capture("--fps " + std::to_string(kFps) + " --frames " + (dir / "capture").string());
    ASSERT_EQ(r.code, 0) << r.err;

    // The show's way: its window and device, the picture as render target, presented every
    // frame, scaled by a factor that is not whole (the driver is told of a larger window).
    const fs::path here = fs::current_path();
    fs::current_path(fs::path(KAVRI_DATA_DIR).parent_path() / "bin");   // the scenes read ../data
    std::unique_ptr<veko::ShowWindow> window(veko::ShowWindow::create(veko::ShowWindow::WINDOWED, veko::kShowDepthBits));
    ASSERT_NE(window, nullptr);
    irr::IrrlichtDevice* device = veko::createShowDevice(nullptr, window.get());
    ASSERT_NE(device, nullptr);
    irr::video::IVideoDriver* driver = device->getVideoDriver();
    veko::Env* env = new veko::Env(device);
    veko::Sequencer* sequencer = new veko::Sequencer();
    sequencer->initAll();
    // Without the rehearsal that the show and the capture hold before their first frame
    // (Sequencer::rehearse): equal frames also mean that the rehearsal changes none.
    std::vector<std::vector<std::uint8_t>> pictures;
    {
        veko::ShowScreen screen(env, false, veko::ShowScreen::THROUGH_GL);   // read from the back buffer
        driver->OnResize(irr::core::dimension2du(1000, 700));
        veko::ShowDriver show(device, sequencer, kFps);
        for (;;) {
            device->run();
            screen.beginFrame();
            if (!show.frame())
                break;
            pictures.push_back(readPicture(driver, screen.picture()));
            if (pictures.size() == 11) {
                // Shown at its own size (a 640x480 window), the picture reaches the window
                // pixel for pixel and the right way up.
                driver->OnResize(irr::core::dimension2du(640, 480));
                screen.present();
                EXPECT_TRUE(readWindow(640, 480) == pictures.back()) << "the picture shown at its own size differs";
                driver->OnResize(irr::core::dimension2du(1000, 700));
            }
            screen.present();
            driver->endScene();
        }
        driver->endScene();
    }
    fs::current_path(here);

    const std::vector<std::string> names = pngNames(dir / "capture");
    ASSERT_EQ(names.size(), pictures.size());
    irr::IrrlichtDevice* pngReader = testing_support::createNullDevice();
    for (size_t i = 0; i < names.size(); ++i) {
        const std::vector<std::uint8_t> frame = readPng(pngReader->getVideoDriver(), dir / "capture" / names[i]);
        ASSERT_EQ(frame.size(), pictures[i].size()) << names[i];
        if (frame != pictures[i]) {
            size_t pixels = 0;
            for (size_t k = 0; k < frame.size(); k += 3)
                pixels += !std::equal(&frame[k], &frame[k + 3], &pictures[i][k]);
            ADD_FAILURE() << names[i] << ": " << pixels << " pixels differ from the show's picture";
        }
    }
    pngReader->drop();
    env->stopMusic();
    sequencer->shutdownAll();
    delete sequencer;
    delete env;
    device->drop();
}

} // namespace
