#ifndef VEKO_LOAD_REPORT_H
#define VEKO_LOAD_REPORT_H

#include <irrlicht.h>

namespace veko {

// While the scenes load their files, the engine's complaints about files it cannot open or
// read go to stderr, one line each. The show's log is otherwise off. Events other than log
// text still reach the show's own receiver.
class LoadReport : public irr::IEventReceiver {
public:
    explicit LoadReport(irr::IrrlichtDevice* device);
    ~LoadReport() override;

    bool OnEvent(const irr::SEvent& event) override;

private:
    irr::IrrlichtDevice* mDevice;
    irr::IEventReceiver* mShowReceiver;
};

} // namespace veko

#endif
