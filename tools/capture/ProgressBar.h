#ifndef VEKO_PROGRESS_BAR_H
#define VEKO_PROGRESS_BAR_H

#include <chrono>
#include <string>

namespace veko {

// One line on standard error, redrawn in place: a bar, frames done, frames per second, the
// time left and the video's size so far. Shown only when standard error is a terminal.
class ProgressBar {
public:
    explicit ProgressBar(int total);
    ProgressBar(int total, bool shown);

    // videoBytes: the video's size so far, or -1 when there is no video.
    void update(int done, long long videoBytes = -1);
    // Draws the final state and ends the line.
    void finish();

    // The text of the line for a state; kept apart so that it can be checked.
    // A size of 0 or more is the video's size so far.
    static std::string line(int done, int total, double elapsedSeconds, long long videoBytes = -1);

private:
    void draw(int done);

    int mTotal;
    bool mShown;
    int mDone;
    long long mBytes;
    std::chrono::steady_clock::time_point mStart;
    std::chrono::steady_clock::time_point mLastDraw;
};

} // namespace veko

#endif
