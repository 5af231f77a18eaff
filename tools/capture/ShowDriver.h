#ifndef VEKO_SHOW_DRIVER_H
#define VEKO_SHOW_DRIVER_H

#include <irrlicht.h>

#include "framework/Sequencer.h"
#include "platform/ProcessEnd.h"
#include "tools/capture/FrameSource.h"
#include "tools/capture/ShowSchedule.h"

namespace veko {

// Runs the show through its own Sequencer, with the engine timer stopped and set before
// every frame, so frame k shows the show at k/fps. It stops at the last frame before the end
// instead of letting the Sequencer end the process.
class ShowDriver : public FrameSource {
public:
    ShowDriver(irr::IrrlichtDevice* device, Sequencer* sequencer, int fps);
    ~ShowDriver() override;

    bool frame() override;
    int frameIndex() const override { return mSchedule.frame(); }

private:
    static void noteEnd(int exitCode);

    irr::ITimer* mTimer;
    Sequencer* mSequencer;
    ShowSchedule mSchedule;
    ProcessEndHandler mPreviousEnd;

    static bool sEnded;
};

} // namespace veko

#endif
