#ifndef VEKO_FRAME_LOG_H
#define VEKO_FRAME_LOG_H

namespace veko {

// When KAVRI_FRAME_LOG names a file, one line per presented frame: the monotonic time in
// microseconds just after the picture was handed to the display, and the show clock in seconds.
// Tests measure the sound against the picture with it; without the variable it does nothing.
class FrameLog {
public:
    FrameLog();
    ~FrameLog();
    void presented(float showSeconds);

private:
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;
    int mFd;
};

} // namespace veko

#endif
