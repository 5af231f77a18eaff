#include "tools/capture/ShowDriver.h"

namespace veko {

bool ShowDriver::sEnded = false;

ShowDriver::ShowDriver(irr::IrrlichtDevice* device, Sequencer* sequencer, int fps)
    : mTimer(device->getTimer()), mSequencer(sequencer), mSchedule(fps)
{
    // A stopped timer reads exactly what was set, whatever the wall clock does.
    mTimer->stop();
    // The schedule stops before the end; should the Sequencer still reach it, the capture
    // hears of it here instead of the process ending.
    mPreviousEnd = setProcessEndHandler(noteEnd);
}

ShowDriver::~ShowDriver()
{
    setProcessEndHandler(mPreviousEnd);
    mTimer->start();
}

void ShowDriver::noteEnd(int)
{
    sEnded = true;
}

bool ShowDriver::frame()
{
    if (!mSchedule.advance())
        return false;
    mTimer->setTime(mSchedule.timerReading());
    sEnded = false;
    mSequencer->frame();
    return !sEnded;
}

} // namespace veko
