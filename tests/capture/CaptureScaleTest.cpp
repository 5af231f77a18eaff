// SPDX-License-Identifier: MIT
// Captures scaled up by a whole factor: every pixel becomes an N by N block, exactly, in the
// PNG frames and in the lossless videos, and the videos keep their music in step.

#include "CaptureRun.h"

#include "TestSupport.h"

using namespace capture_run;

namespace {

typedef std::vector<std::uint8_t> Rgb;

Rgb loadPng(irr::video::IVideoDriver* driver, const fs::path& path, irr::core::dimension2du& size)
{
    Rgb rgb;
    irr::video::IImage* image = driver->createImageFromFile(path.c_str());
    if (!image)
        return rgb;
    size = image->getDimension();
    for (irr::u32 y = 0; y < size.Height; ++y)
        for (irr::u32 x = 0; x < size.Width; ++x) {
            const irr::video::SColor c = image->getPixel(x, y);
            rgb.insert(rgb.end(), { static_cast<std::uint8_t>(c.getRed()), static_cast<std::uint8_t>(c.getGreen()),
                                    static_cast<std::uint8_t>(c.getBlue()) });
        }
    image->drop();
    return rgb;
}

// Each pixel of a 640x480 picture as an n by n block.
Rgb repeated(const Rgb& rgb, int n)
{
    Rgb out;
    out.reserve(rgb.size() * n * n);
    for (int y = 0; y < 480; ++y) {
        Rgb row;
        for (int x = 0; x < 640; ++x)
            for (int i = 0; i < n; ++i)
                row.insert(row.end(), rgb.begin() + (y * 640 + x) * 3, rgb.begin() + (y * 640 + x) * 3 + 3);
        for (int i = 0; i < n; ++i)
            out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

TEST_F(CaptureRun, ScaledFramesAndVideosRepeatEveryPixelInStepWithTheMusic)
{
    // 29 to 31.5 s at 4 fps: the tiles give way to the spiral ribbons at 30.312 s.
    const std::string span = "--software --fps 4 --from 29 --to 31.5 ";
    const fs::path master3 = dir / "master3.mkv", master2 = dir / "master2.mp4", upload = dir / "upload.mp4";
    Result r = capture(span + "--frames " + (dir / "x1").string());
    ASSERT_EQ(r.code, 0) << r.err;
    r = capture(span + "--scale 3 --frames " + (dir / "x3").string() + " --lossless --video " + master3.string());
    ASSERT_EQ(r.code, 0) << r.err;
    r = capture(span + "--scale 2 --lossless --video " + master2.string());
    ASSERT_EQ(r.code, 0) << r.err;
    r = capture(span + "--scale 3 --video " + upload.string());
    ASSERT_EQ(r.code, 0) << r.err;

    irr::IrrlichtDevice* device = testing_support::createNullDevice();
    const std::string bytes3 = shell("ffmpeg -v error -nostdin -i '" + master3.string() + "' -f rawvideo -pix_fmt rgb24 -");
    const std::string bytes2 = shell("ffmpeg -v error -nostdin -i '" + master2.string() + "' -f rawvideo -pix_fmt rgb24 -");
    const size_t size3 = 1920 * 1440 * 3, size2 = 1280 * 960 * 3;
    ASSERT_EQ(bytes3.size(), 10 * size3);
    ASSERT_EQ(bytes2.size(), 10 * size2);
    for (int k = 116; k < 126; ++k) {
        const std::string name = "frame_000" + std::to_string(k) + ".png";
        irr::core::dimension2du size1, size3png;
        const Rgb one = loadPng(device->getVideoDriver(), dir / "x1" / name, size1);
        const Rgb three = loadPng(device->getVideoDriver(), dir / "x3" / name, size3png);
        ASSERT_EQ(size1, irr::core::dimension2du(640, 480)) << name;
        ASSERT_EQ(size3png, irr::core::dimension2du(1920, 1440)) << name;
        EXPECT_TRUE(three == repeated(one, 3)) << name;
        const size_t i = static_cast<size_t>(k - 116);
        EXPECT_TRUE(Rgb(bytes3.begin() + i * size3, bytes3.begin() + (i + 1) * size3) == repeated(one, 3)) << name;
        EXPECT_TRUE(Rgb(bytes2.begin() + i * size2, bytes2.begin() + (i + 1) * size2) == repeated(one, 2)) << name;
    }
    device->drop();

    // Every video: ten frames in 2.5 s at its size, the music of 29 s on in step.
    const std::vector<std::pair<fs::path, std::string>> videos = {
        { master3, "codec_name=ffv1\nwidth=1920\nheight=1440\nnb_read_frames=10\ncodec_name=flac\n" },
        { master2, "codec_name=h264\nwidth=1280\nheight=960\nnb_read_frames=10\ncodec_name=flac\n" },
        { upload, "codec_name=h264\nwidth=1920\nheight=1440\nnb_read_frames=10\ncodec_name=aac\n" },
    };
    const std::vector<std::int16_t> music = decodeMono("-i '" + kMusic + "'");
    for (const auto& video : videos) {
        const std::string probe = shell("ffprobe -v error -count_frames -show_entries "
                                        "stream=codec_name,width,height,nb_read_frames -show_entries format=duration "
                                        "-of default=noprint_wrappers=1 '" + video.first.string() + "'");
        EXPECT_EQ(probe.rfind(video.second, 0), 0u) << probe;
        const size_t at = probe.find("duration=");
        ASSERT_NE(at, std::string::npos) << probe;
        EXPECT_NEAR(std::atof(probe.c_str() + at + 9), 2.5, 0.05) << probe;
        expectMusicFrom(video.first, music, 29.0);
    }
}

} // namespace
