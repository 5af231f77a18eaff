#include "DataFiles.h"
#include "Engine.h"

#include <gtest/gtest.h>

#include <string>

using namespace irr;

namespace {

struct TextureUse {
    const char* file;
    u32 width, height; // the region the scenes sample
    bool blended;      // drawn with its alpha channel over something else
};

// Sizes the scenes sample, and whether they blend the image.
const TextureUse kUses[] = {
    {"katze.png", 256, 256, true},    {"zuli!.png", 512, 256, true},   {"starticle.png", 1, 1, true},
    {"veko.png", 32, 8, true},        {"dada.png", 1, 1, false},       {"eda_back.png", 512, 512, true},
    {"rabbit1.png", 31, 31, true},    {"rabbit2.png", 31, 31, true},   {"stripes4.png", 1, 1, true},
    {"katze1.png", 256, 256, true},   {"katze2.png", 256, 256, true},  {"food1.png", 128, 128, true},
    {"food2.png", 128, 128, true},    {"food3.png", 128, 128, true},   {"hearticle.png", 16, 16, true},
    {"starback.png", 640, 480, false}, {"blood.png", 1, 1, false},
};

class Textures : public ::testing::Test {
protected:
    video::IImage* load(const std::string& name)
    {
        video::IImage* image = mEngine.driver()->createImageFromFile(
            datafiles::path("textures/" + name).c_str());
        if (image)
            mImages.push_back(image);
        return image;
    }
    void TearDown() override
    {
        for (video::IImage* image : mImages)
            image->drop();
    }

    // Fraction of the pixels in [x0, x1) x [y0, y1) whose alpha is at least minAlpha.
    static double coverage(video::IImage* image, u32 x0, u32 y0, u32 x1, u32 y1, u32 minAlpha = 128)
    {
        u32 count = 0;
        for (u32 y = y0; y < y1; ++y)
            for (u32 x = x0; x < x1; ++x)
                count += image->getPixel(x, y).getAlpha() >= minAlpha;
        return static_cast<double>(count) / ((x1 - x0) * (y1 - y0));
    }

    Engine mEngine;
    std::vector<video::IImage*> mImages;
};

} // namespace

TEST_F(Textures, EachLoadsInTheEngineAtLeastAsLargeAsItsScenesSample)
{
    for (const TextureUse& use : kUses) {
        video::IImage* image = load(use.file);
        ASSERT_NE(image, nullptr) << use.file;
        EXPECT_GE(image->getDimension().Width, use.width) << use.file;
        EXPECT_GE(image->getDimension().Height, use.height) << use.file;
    }
}

TEST_F(Textures, BlendedImagesHaveAnAlphaChannelAndSeeThroughParts)
{
    for (const TextureUse& use : kUses) {
        video::IImage* image = load(use.file);
        ASSERT_NE(image, nullptr) << use.file;
        const core::dimension2du size = image->getDimension();
        if (use.blended) {
            EXPECT_EQ(image->getColorFormat(), video::ECF_A8R8G8B8) << use.file;
            const double opaque = coverage(image, 0, 0, size.Width, size.Height);
            EXPECT_GT(opaque, 0.05) << use.file;
            EXPECT_LT(opaque, 0.98) << use.file;
        }
    }
}

TEST_F(Textures, TheStarryBackdropIsOpaqueAndCoversTheScreen)
{
    video::IImage* sky = load("starback.png");
    ASSERT_NE(sky, nullptr);
    EXPECT_GE(sky->getDimension().Width, 640u);
    EXPECT_GE(sky->getDimension().Height, 480u);
    EXPECT_EQ(coverage(sky, 0, 0, 640, 480, 255), 1.0);
}

// Sprites are drawn whole from their top left region: nothing of the picture
// may be cut off at its edges, so the border of that region is see-through.
TEST_F(Textures, SpritePicturesSitInsideTheirSampledRegion)
{
    const TextureUse sprites[] = {{"katze.png", 256, 256, true},  {"katze1.png", 256, 256, true},
                                  {"katze2.png", 256, 256, true}, {"food1.png", 128, 128, true},
                                  {"food2.png", 128, 128, true},  {"food3.png", 128, 128, true},
                                  {"rabbit1.png", 31, 31, true},  {"rabbit2.png", 31, 31, true},
                                  {"zuli!.png", 512, 256, true},  {"starticle.png", 64, 64, true}};
    for (const TextureUse& s : sprites) {
        video::IImage* image = load(s.file);
        ASSERT_NE(image, nullptr) << s.file;
        const u32 w = s.width, h = s.height;
        EXPECT_EQ(coverage(image, 0, 0, w, 1, 64), 0.0) << s.file << " top";
        EXPECT_EQ(coverage(image, 0, h - 1, w, h, 64), 0.0) << s.file << " bottom";
        EXPECT_EQ(coverage(image, 0, 0, 1, h, 64), 0.0) << s.file << " left";
        EXPECT_EQ(coverage(image, w - 1, 0, w, h, 64), 0.0) << s.file << " right";
        EXPECT_GT(coverage(image, w / 4, h / 4, 3 * w / 4, 3 * h / 4), 0.3) << s.file << " middle";
    }
}

TEST_F(Textures, AnimationFramesDiffer)
{
    for (auto pair : {std::make_pair("katze1.png", "katze2.png"), std::make_pair("rabbit1.png", "rabbit2.png")}) {
        video::IImage* a = load(pair.first);
        video::IImage* b = load(pair.second);
        ASSERT_TRUE(a && b);
        ASSERT_EQ(a->getDimension(), b->getDimension());
        u32 differing = 0;
        const core::dimension2du size = a->getDimension();
        for (u32 y = 0; y < size.Height; ++y)
            for (u32 x = 0; x < size.Width; ++x)
                differing += a->getPixel(x, y) != b->getPixel(x, y);
        EXPECT_GT(differing, size.getArea() / 50) << pair.first << " and " << pair.second;
    }
}

TEST_F(Textures, TheHeartFillsItsSixteenPixelCorner)
{
    video::IImage* heart = load("hearticle.png");
    ASSERT_NE(heart, nullptr);
    EXPECT_EQ(heart->getPixel(8, 8).getAlpha(), 255u);
    EXPECT_GT(heart->getPixel(8, 8).getRed(), 200u);
    EXPECT_LT(heart->getPixel(0, 15).getAlpha(), 64u); // beside the point
    EXPECT_GT(coverage(heart, 0, 0, 16, 16), 0.5);
}

// The ribbons repeat the stripes along V and stretch U across the ribbon:
// coloured bars separated by see-through gaps, with the same bar at both ends
// of the U range.
TEST_F(Textures, StripesRunAcrossTheRibbonAndRepeatAlongIt)
{
    video::IImage* stripes = load("stripes4.png");
    ASSERT_NE(stripes, nullptr);
    const core::dimension2du size = stripes->getDimension();
    u32 gaps = 0, bars = 0;
    bool previousOpaque = stripes->getPixel(size.Width / 2, size.Height - 1).getAlpha() > 128;
    for (u32 y = 0; y < size.Height; ++y) {
        const bool opaque = stripes->getPixel(size.Width / 2, y).getAlpha() > 128;
        if (opaque && !previousOpaque)
            ++bars;
        if (!opaque && previousOpaque)
            ++gaps;
        previousOpaque = opaque;
        // Across U each row is one colour band: opaque in the middle means opaque near the edges.
        EXPECT_EQ(opaque, stripes->getPixel(6, y).getAlpha() > 128) << "row " << y;
    }
    EXPECT_GE(bars, 2u);
    EXPECT_EQ(bars, gaps);
}

TEST_F(Textures, TheTileCornerIsAMostlySolidBrickWithAVisibleShape)
{
    video::IImage* tiles = load("veko.png");
    ASSERT_NE(tiles, nullptr);
    EXPECT_GT(coverage(tiles, 0, 0, 32, 8), 0.6);
    EXPECT_LT(coverage(tiles, 0, 0, 32, 8), 1.0); // its rounded corners let the background through
    EXPECT_NE(tiles->getPixel(16, 1), tiles->getPixel(16, 4)); // a highlight along its top
}
