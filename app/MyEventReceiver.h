#ifndef MY_EVENT_RECEIVER_H
#define MY_EVENT_RECEIVER_H

#include <irrlicht.h>

// Closes the device when Escape is released; every other event goes on to the engine.
class MyEventReceiver : public irr::IEventReceiver {
public:
    MyEventReceiver() : mDevice(nullptr) {}
    virtual ~MyEventReceiver() {}

    virtual bool OnEvent(const irr::SEvent& event);

    irr::IrrlichtDevice* mDevice;   // not owned; set right after the device is made
};

#endif
