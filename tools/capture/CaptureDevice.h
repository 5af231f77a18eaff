#ifndef VEKO_CAPTURE_DEVICE_H
#define VEKO_CAPTURE_DEVICE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <irrlicht.h>

namespace veko {

// The engine device a capture draws with, and the read-back of its frames: OpenGL in a
// 640x480 window on the X display, or, with none, on a virtual X server of the capture's own
// (the same picture); or Burning's Video on the console device, which needs no X server at
// all but draws a picture of its own.
class PrivateXServer;

class CaptureDevice {
public:
    static const int kWidth = 640;
    static const int kHeight = 480;

    // Null, with one line in error, when the device cannot be made.
    static CaptureDevice* create(bool software, std::string& error);
    ~CaptureDevice();

    irr::IrrlichtDevice* device() const { return mDevice; }
    irr::video::IVideoDriver* driver() const { return mDriver; }
    bool software() const { return mSoftware; }
    // The X server of the capture's own, when there was no X display; else null.
    const PrivateXServer* privateServer() const { return mServer; }

    // As the show's loop: clear colour and depth to black.
    void beginFrame();
    // Presents the frame. With rgb, the frame is read into it first: 640x480 RGB bytes,
    // top row first.
    void endFrame(std::vector<std::uint8_t>* rgb);
    // Waits until the driver has finished drawing (for timing).
    void finish();

private:
    CaptureDevice(irr::IrrlichtDevice* device, bool software, std::FILE* console, PrivateXServer* server);
    void readBackBuffer(std::vector<std::uint8_t>& rgb);
    void readScreenShot(std::vector<std::uint8_t>& rgb);

    irr::IrrlichtDevice* mDevice;
    irr::video::IVideoDriver* mDriver;
    bool mSoftware;
    std::FILE* mConsole;
    PrivateXServer* mServer;
    std::vector<std::uint8_t> mRow;
};

} // namespace veko

#endif
