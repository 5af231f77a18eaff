#include "app/LoadReport.h"

#include <string>

#include "platform/Report.h"

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
        std::string text;
        for (const char* c = event.LogEvent.Text; *c; ++c)
            if (*c != '\n')
                text += *c;
        // libpng's remarks on pictures it still decodes correctly, the software renderer's
        // note that it holds a picture at a smaller size, and the OBJ loader's on a material
        // file it got empty (a missing or refused one was named when the model was checked):
        // nothing for the user to do.
        if (text.compare(0, 11, "PNG warning") == 0 || text.compare(0, 29, "Burningvideo: Warning Texture") == 0 ||
            text.compare(0, 28, "Skipping empty material file") == 0)
            return true;
        // Most complaints end with the file's name; each file gets one line, the first.
        const size_t colon = text.rfind(": ");
        if (colon != std::string::npos && colon + 2 < text.size())
            reportFile(text.substr(colon + 2), text);
        else
            report(text);
        return true;
    }
    return mShowReceiver ? mShowReceiver->OnEvent(event) : false;
}

} // namespace veko
