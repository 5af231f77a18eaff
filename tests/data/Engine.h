#pragma once

#include <irrlicht.h>

#include <cstdio>

// An engine device that needs no X server: the console device, with either
// the null driver (loading only) or the software renderer.
class Engine {
public:
    explicit Engine(irr::video::E_DRIVER_TYPE driver = irr::video::EDT_NULL)
    {
        mSink = std::fopen("/dev/null", "w");
        irr::SIrrlichtCreationParameters params;
        params.DeviceType = irr::EIDT_CONSOLE;
        params.DriverType = driver;
        params.WindowSize = irr::core::dimension2du(640, 480);
        params.WindowId = mSink; // the console device draws its ASCII picture here
        mDevice = irr::createDeviceEx(params);
        if (mDevice)
            mDevice->getLogger()->setLogLevel(irr::ELL_ERROR);
    }
    ~Engine()
    {
        if (mDevice)
            mDevice->drop();
        if (mSink)
            std::fclose(mSink);
    }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    irr::IrrlichtDevice* device() const { return mDevice; }
    irr::video::IVideoDriver* driver() const { return mDevice->getVideoDriver(); }
    irr::scene::ISceneManager* scenes() const { return mDevice->getSceneManager(); }

private:
    std::FILE* mSink = nullptr;
    irr::IrrlichtDevice* mDevice = nullptr;
};
