#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/LoadReport.h"
#include "app/MyEventReceiver.h"
#include "TestSupport.h"

namespace {

TEST(LoadReport, NamesEachFileThatFailsToLoadWhileTheScenesLoad)
{
    MyEventReceiver receiver;
    irr::IrrlichtDevice* device = testing_support::createNullDevice();
    ASSERT_NE(device, nullptr);
    device->setEventReceiver(&receiver);
    receiver.mDevice = device;

    std::string during;
    {
        veko::LoadReport report(device);
        ::testing::internal::CaptureStderr();
        device->getVideoDriver()->getTexture("../nowhere/katze.png");
        during = ::testing::internal::GetCapturedStderr();
    }
    EXPECT_NE(during.find("kavri: "), std::string::npos) << during;
    EXPECT_NE(during.find("../nowhere/katze.png"), std::string::npos) << during;
    EXPECT_EQ(std::count(during.begin(), during.end(), '\n'), 1) << during;

    // Afterwards the show is quiet again and its own receiver gets the events.
    ::testing::internal::CaptureStderr();
    device->getVideoDriver()->getTexture("../nowhere/zuli!.png");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(device->getEventReceiver(), &receiver);
    device->drop();
}

} // namespace
