// SPDX-License-Identifier: MIT
// The show clock the picture keeps time by.

#include <gtest/gtest.h>

#include "platform/ShowClock.h"

namespace {

// The picture waits for the music: a stop of the process is not show time.
TEST(ShowClock, CountsMonotonicTimeButNotTimeSpentStopped)
{
    static long long fake = 1000000;
    veko::ShowClock clock([] { return fake; });
    EXPECT_EQ(clock.milliseconds(), 0u);
    fake += 16;
    EXPECT_EQ(clock.milliseconds(), 16u);
    fake += 20000;                      // stopped for 20 s, then continued
    veko::ShowClock::noteContinued();
    EXPECT_EQ(clock.milliseconds(), 16u);
    fake += 17;
    EXPECT_EQ(clock.milliseconds(), 33u);
    fake += 35000;                      // a long frame, or an inactive window: counted
    EXPECT_EQ(clock.milliseconds(), 35033u);
}

} // namespace
