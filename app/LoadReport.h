#ifndef VEKO_LOAD_REPORT_H
#define VEKO_LOAD_REPORT_H

#include <irrlicht.h>

namespace veko {

// While the scenes load their files, the engine's complaints about files it cannot open or
// read go to stderr, one line each; the show's log is otherwise off. It stands in for the
// show's receiver meanwhile and hands it every other event.
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
