#include "platform/XServer.h"

#include <chrono>
#include <thread>

#include "platform/XServerSystem.h"

namespace veko {

namespace {

const int kAttempts = 8;

} // namespace

bool tryAFewTimes(const std::function<bool()>& attempt)
{
    for (int i = 0; i < kAttempts; ++i) {
        if (i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (attempt())
            return true;
    }
    return false;
}

irr::IrrlichtDevice* createDeviceRetrying(const irr::SIrrlichtCreationParameters& params)
{
    irr::IrrlichtDevice* device = nullptr;
    tryAFewTimes([&] { return (device = irr::createDeviceEx(params)) != nullptr; });
    return device;
}

} // namespace veko
