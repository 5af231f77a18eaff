#include <gtest/gtest.h>

#include "app/MyEventReceiver.h"
#include "TestSupport.h"

namespace {

irr::SEvent keyEvent(irr::EKEY_CODE key, bool pressed)
{
    irr::SEvent event;
    event.EventType = irr::EET_KEY_INPUT_EVENT;
    event.KeyInput.Key = key;
    event.KeyInput.PressedDown = pressed;
    event.KeyInput.Char = 0;
    event.KeyInput.Shift = false;
    event.KeyInput.Control = false;
    return event;
}

class EventReceiverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device = testing_support::createNullDevice();
        ASSERT_NE(device, nullptr);
        receiver.mDevice = device;
    }
    void TearDown() override { device->drop(); }

    MyEventReceiver receiver;
    irr::IrrlichtDevice* device = nullptr;
};

TEST_F(EventReceiverTest, EscapePressedAndHeldKeepsTheShowRunning)
{
    for (int repeat = 0; repeat < 5; ++repeat)
        EXPECT_FALSE(receiver.OnEvent(keyEvent(irr::KEY_ESCAPE, true)));
    EXPECT_TRUE(device->run());
}

TEST_F(EventReceiverTest, EscapeReleaseClosesTheDevice)
{
    EXPECT_FALSE(receiver.OnEvent(keyEvent(irr::KEY_ESCAPE, true)));
    EXPECT_TRUE(receiver.OnEvent(keyEvent(irr::KEY_ESCAPE, false)));
    EXPECT_FALSE(device->run());
}

TEST_F(EventReceiverTest, OtherKeysAndEventsPassThrough)
{
    EXPECT_FALSE(receiver.OnEvent(keyEvent(irr::KEY_SPACE, true)));
    EXPECT_FALSE(receiver.OnEvent(keyEvent(irr::KEY_SPACE, false)));
    EXPECT_FALSE(receiver.OnEvent(keyEvent(irr::KEY_RETURN, false)));

    irr::SEvent mouse;
    mouse.EventType = irr::EET_MOUSE_INPUT_EVENT;
    mouse.MouseInput.Event = irr::EMIE_LMOUSE_LEFT_UP;
    mouse.MouseInput.X = mouse.MouseInput.Y = 0;
    mouse.MouseInput.Wheel = 0;
    mouse.MouseInput.ButtonStates = 0;
    mouse.MouseInput.Shift = mouse.MouseInput.Control = false;
    EXPECT_FALSE(receiver.OnEvent(mouse));
    EXPECT_TRUE(device->run());
}

TEST(EventReceiverWithoutDevice, EscapeReleaseIsConsumedAndDoesNothingElse)
{
    MyEventReceiver receiver;
    EXPECT_TRUE(receiver.OnEvent(keyEvent(irr::KEY_ESCAPE, false)));
}

} // namespace
