// SPDX-License-Identifier: MIT
// The painter scales pictures on its own thread while the caller fills the next one, and puts
// each on the window when the next is handed over. The window must show the picture before the
// last one handed over, where it was handed over, black where an earlier picture lay; the last
// one once the painter is done; a clear must come after the pictures before it; and a picture
// the window could not take stops the painter.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "GLSupport.h"
#include "env/PictureLayout.h"
#include "env/WindowPainter.h"
#include "platform/WindowBlit.h"

namespace {

using Rect = irr::core::rect<irr::s32>;

const int kWidth = 400, kHeight = 300;   // within the tests' smallest screen, 640x480

class WindowPainterTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!testing_support::haveDisplay())
            GTEST_SKIP() << "no X display";
        mDisplay = XOpenDisplay(nullptr);
        ASSERT_NE(mDisplay, nullptr);
        mWindow = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, kWidth, kHeight, 0, 0, 0);
        XMapWindow(mDisplay, mWindow);
        XSync(mDisplay, False);
    }
    void TearDown() override
    {
        if (!mDisplay)
            return;
        XDestroyWindow(mDisplay, mWindow);
        XCloseDisplay(mDisplay);
    }

    std::unique_ptr<veko::WindowPainter> makePainter()
    {
        veko::WindowBlit* blit = veko::WindowBlit::create(mDisplay, mWindow);
        return std::unique_ptr<veko::WindowPainter>(blit ? new veko::WindowPainter(blit) : nullptr);
    }

    static void fill(veko::WindowPainter& painter, std::uint32_t colour)
    {
        std::uint32_t* picture = painter.nextPicture();
        for (std::size_t i = 0; i < std::size_t(veko::PictureLayout::kWidth) * veko::PictureLayout::kHeight; ++i)
            picture[i] = colour;   // alpha 0: the painter makes it opaque
    }

    // The window's pixel, 0xRRGGBB.
    unsigned long pixel(int x, int y)
    {
        XImage* image = XGetImage(mDisplay, mWindow, x, y, 1, 1, AllPlanes, ZPixmap);
        const unsigned long value = image ? XGetPixel(image, 0, 0) & 0xffffff : 0xdeadbeef;
        if (image)
            XDestroyImage(image);
        return value;
    }

    Display* mDisplay = nullptr;
    Window mWindow = 0;
};

TEST_F(WindowPainterTest, TheWindowShowsTheLastPictureWhereItWasLastPutAndClearsComeAfterPictures)
{
    if (!mDisplay)
        return;
    std::unique_ptr<veko::WindowPainter> painter = makePainter();
    ASSERT_NE(painter, nullptr) << "the test server's window takes no 32-bit pixels";

    // Pictures in two places by turns, each filled while the one before may still be painted.
    const Rect places[2] = { Rect(0, 0, 200, 150), Rect(180, 130, 380, 280) };
    const int kPictures = 42;   // the last one in the second place
    for (int i = 0; i < kPictures; ++i) {
        fill(*painter, 0x010203u * std::uint32_t(i + 1));
        ASSERT_TRUE(painter->paint(places[i % 2]));
    }
    // Our requests go after the painter's on the connection: the server has the picture put.
    EXPECT_EQ(pixel(10, 10), 0x010203u * (kPictures - 1)) << "the one before the last";
    EXPECT_EQ(pixel(379, 279), 0u) << "where the last one will be";
    painter.reset();
    EXPECT_EQ(pixel(200, 150), 0x010203u * kPictures) << "the last picture";
    EXPECT_EQ(pixel(379, 279), 0x010203u * kPictures);
    EXPECT_EQ(pixel(10, 10), 0u) << "where the picture was before: the window's black";
    EXPECT_EQ(pixel(390, 10), 0u) << "beside both";

    painter = makePainter();
    fill(*painter, 0xffffff);
    ASSERT_TRUE(painter->paint(places[0]));
    painter->clear();
    painter.reset();
    EXPECT_EQ(pixel(10, 10), 0u) << "a clear after a picture leaves the window black";
    EXPECT_EQ(pixel(200, 150), 0u);
}

TEST_F(WindowPainterTest, APictureTheWindowCouldNotTakeStopsThePainter)
{
    if (!mDisplay)
        return;
    std::unique_ptr<veko::WindowPainter> painter = makePainter();
    ASSERT_NE(painter, nullptr);
    // No pixels can be made for an empty place: the next hand-over says so.
    EXPECT_TRUE(painter->paint(Rect(10, 10, 10, 10)));
    EXPECT_FALSE(painter->paint(Rect(0, 0, 100, 100)));
    EXPECT_FALSE(painter->paint(Rect(0, 0, 100, 100))) << "and goes on saying so";
}

} // namespace
