// SPDX-License-Identifier: MIT
// Which monitor the show fills.

#include <gtest/gtest.h>

#include "platform/MonitorFinder.h"

namespace {

TEST(MonitorFinder, PrimaryElseUnderThePointerElseTheFirst)
{
    veko::Monitor left, right;
    left.width = right.width = 1920;
    left.height = right.height = 1080;
    right.x = 1920;
    EXPECT_EQ(veko::MonitorFinder::pick({}, 10, 10), -1);                 // no monitors: the whole screen
    EXPECT_EQ(veko::MonitorFinder::pick({ left, right }, 2000, 10), 1);   // under the pointer
    EXPECT_EQ(veko::MonitorFinder::pick({ left, right }, 10, 10), 0);
    EXPECT_EQ(veko::MonitorFinder::pick({ left, right }, -5, 5000), 0);   // pointer elsewhere: the first
    right.primary = true;
    EXPECT_EQ(veko::MonitorFinder::pick({ left, right }, 10, 10), 1);     // the primary, wherever the pointer
}

} // namespace
