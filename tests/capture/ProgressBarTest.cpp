#include <gtest/gtest.h>

#include <string>

#include "tools/capture/ProgressBar.h"

using veko::ProgressBar;

namespace {

TEST(ProgressBarLine, ShowsFramesDoneRateAndTimeLeft)
{
    const std::string half = ProgressBar::line(50, 100, 5.0);
    EXPECT_NE(half.find("[############............]"), std::string::npos) << half;
    EXPECT_NE(half.find("50/100 frames"), std::string::npos) << half;
    EXPECT_NE(half.find("10.0 fps"), std::string::npos) << half;
    EXPECT_NE(half.find("0:05 left"), std::string::npos) << half;

    // Before the first frame there is no rate to go by; long captures count in hours.
    EXPECT_NE(ProgressBar::line(0, 4244, 0.0).find("-:-- left"), std::string::npos);
    EXPECT_NE(ProgressBar::line(1, 4244, 1.0).find("1:10:43 left"), std::string::npos);
    EXPECT_NE(ProgressBar::line(4244, 4244, 70.0).find("[########################]"), std::string::npos);

    // A video's size so far follows when there is one.
    EXPECT_EQ(half.find("MiB"), std::string::npos) << half;
    const std::string video = ProgressBar::line(50, 100, 5.0, 3 * 1048576 + 524288);
    EXPECT_NE(video.find("0:05 left  3.5 MiB"), std::string::npos) << video;
    EXPECT_NE(ProgressBar::line(1, 100, 1.0, 0).find(" 0.0 MiB"), std::string::npos);
}

} // namespace
