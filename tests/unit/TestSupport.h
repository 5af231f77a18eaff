#ifndef KAVRI_TEST_SUPPORT_H
#define KAVRI_TEST_SUPPORT_H

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

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

// Runs a test from a fresh empty directory while it lives, so every "../data/..." file is missing.
class EmptyWorkingDirectory {
public:
    EmptyWorkingDirectory()
    {
        char previous[4096];
        mPrevious = getcwd(previous, sizeof previous) ? previous : ".";
        char root[] = "/tmp/kavri-empty-XXXXXX";
        if (!mkdtemp(root))
            return;
        mRoot = root;
        mRun = mRoot + "/bin";
        mkdir(mRun.c_str(), 0700);
        mEntered = chdir(mRun.c_str()) == 0;
    }
    ~EmptyWorkingDirectory()
    {
        if (chdir(mPrevious.c_str()) != 0 || mRoot.empty())
            return;
        rmdir(mRun.c_str());
        rmdir(mRoot.c_str());
    }
    EmptyWorkingDirectory(const EmptyWorkingDirectory&) = delete;
    EmptyWorkingDirectory& operator=(const EmptyWorkingDirectory&) = delete;
    bool entered() const { return mEntered; }

private:
    std::string mPrevious, mRoot, mRun;
    bool mEntered = false;
};

} // namespace testing_support

#endif
