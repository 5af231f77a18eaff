#ifndef KAVRI_TEST_SUPPORT_H
#define KAVRI_TEST_SUPPORT_H

#include <cstdio>
#include <cstdlib>

#include <irrlicht.h>

// Devices for tests. The null device has no window and a timer the test can set; the
// software device renders 640x480 frames without any X server and reads them back exactly.
namespace testing_support {

inline void quietAudio()
{
    // Tests never need to be heard.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

inline irr::IrrlichtDevice* createNullDevice()
{
    quietAudio();
    irr::SIrrlichtCreationParameters params;
    params.DriverType = irr::video::EDT_NULL;
    params.LoggingLevel = irr::ELL_NONE;
    return irr::createDeviceEx(params);
}

inline irr::IrrlichtDevice* createSoftwareDevice(irr::IEventReceiver* receiver = nullptr)
{
    quietAudio();
    static std::FILE* devNull = std::fopen("/dev/null", "w");
    irr::SIrrlichtCreationParameters params;
    params.DeviceType = irr::EIDT_CONSOLE;
    params.DriverType = irr::video::EDT_BURNINGSVIDEO;
    params.WindowSize = irr::core::dimension2du(640, 480);
    params.Bits = 32;
    params.EventReceiver = receiver;
    params.LoggingLevel = irr::ELL_NONE;
    params.WindowId = devNull;   // the console device would otherwise print the frame as ASCII art
    return irr::createDeviceEx(params);
}

} // namespace testing_support

#endif
