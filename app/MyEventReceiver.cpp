#include "app/MyEventReceiver.h"

bool MyEventReceiver::OnEvent(const irr::SEvent& event)
{
    // Holding Escape repeats presses; only its release ends the show.
    if (event.EventType == irr::EET_KEY_INPUT_EVENT && !event.KeyInput.PressedDown &&
        event.KeyInput.Key == irr::KEY_ESCAPE) {
        if (mDevice)
            mDevice->closeDevice();
        return true;
    }
    return false;
}
