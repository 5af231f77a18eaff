#include "tools/capture/ShowStage.h"

#include "app/LoadReport.h"
#include "env/Env.h"
#include "framework/Sequencer.h"
#include "tools/capture/CaptureDevice.h"

namespace veko {

ShowStage* ShowStage::create(bool software, std::string* error)
{
    CaptureDevice* device = CaptureDevice::create(software, *error);
    return device ? new ShowStage(device) : nullptr;
}

ShowStage::ShowStage(CaptureDevice* device) : device(device), env(new Env(device->device())), sequencer(new Sequencer())
{
    {
        LoadReport report(device->device());   // files that cannot be loaded are named, as in the show
        sequencer->initAll();
    }
    sequencer->rehearse();   // as the show does: its frames depend on it no more than the show's
}

ShowStage::~ShowStage()
{
    env->stopMusic();
    sequencer->shutdownAll();
    delete sequencer;
    delete env;
    delete device;
}

} // namespace veko
