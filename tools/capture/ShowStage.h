#ifndef VEKO_SHOW_STAGE_H
#define VEKO_SHOW_STAGE_H

#include <string>

namespace veko {

class CaptureDevice;
class Env;
class Sequencer;

// The show's own objects, made the way the show makes them: a device, the Env and the
// Sequencer with every scene loaded. Deleting the stage tears them down in the show's order.
class ShowStage {
public:
    // Null, with *error set, when the device cannot be made.
    static ShowStage* create(bool software, std::string* error);
    ~ShowStage();

    ShowStage(const ShowStage&) = delete;
    ShowStage& operator=(const ShowStage&) = delete;

    CaptureDevice* device;
    Env* env;
    Sequencer* sequencer;

private:
    explicit ShowStage(CaptureDevice* device);
};

} // namespace veko

#endif
