#include "app/LoadReport.h"

#include <cstdio>

namespace veko {

LoadReport::LoadReport(irr::IrrlichtDevice* device)
    : mDevice(device), mShowReceiver(device->getEventReceiver())
{
    mDevice->setEventReceiver(this);
    mDevice->getLogger()->setLogLevel(irr::ELL_WARNING);
}

LoadReport::~LoadReport()
{
    mDevice->getLogger()->setLogLevel(irr::ELL_NONE);
    mDevice->setEventReceiver(mShowReceiver);
}

bool LoadReport::OnEvent(const irr::SEvent& event)
{
    if (event.EventType == irr::EET_LOG_TEXT_EVENT) {
        // Some of the engine's messages carry a line break before the file name.
        std::fputs("kavri: ", stderr);
        for (const char* c = event.LogEvent.Text; *c; ++c)
            if (*c != '\n')
                std::fputc(*c, stderr);
        std::fputc('\n', stderr);
        return true;
    }
    return mShowReceiver ? mShowReceiver->OnEvent(event) : false;
}

} // namespace veko
