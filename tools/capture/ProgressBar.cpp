#include "tools/capture/ProgressBar.h"

#include <unistd.h>

#include <cstdio>

namespace veko {

namespace {

const int kBarWidth = 24;

std::string clockText(double seconds)
{
    const long total = static_cast<long>(seconds + 0.5);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

} // namespace

ProgressBar::ProgressBar(int total) : ProgressBar(total, isatty(STDERR_FILENO) != 0)
{
}

ProgressBar::ProgressBar(int total, bool shown)
    : mTotal(total > 0 ? total : 1), mShown(shown), mDone(0), mBytes(-1), mStart(std::chrono::steady_clock::now()),
      mLastDraw(mStart)
{
}

std::string ProgressBar::line(int done, int total, double elapsedSeconds, long long videoBytes)
{
    const int filled = static_cast<int>(static_cast<long long>(kBarWidth) * done / total);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kBarWidth - filled), '.');
    const double rate = elapsedSeconds > 0.0 ? done / elapsedSeconds : 0.0;
    const std::string left = rate > 0.0 ? clockText((total - done) / rate) : std::string("-:--");
    char text[160];
    const int n = std::snprintf(text, sizeof text, "[%s] %d/%d frames  %.1f fps  %s left", bar.c_str(), done, total,
                                rate, left.c_str());
    if (videoBytes >= 0 && n > 0 && static_cast<size_t>(n) < sizeof text)
        std::snprintf(text + n, sizeof text - n, "  %.1f MiB", videoBytes / 1048576.0);
    return text;
}

void ProgressBar::update(int done, long long videoBytes)
{
    mDone = done;
    mBytes = videoBytes;
    if (!mShown)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - mLastDraw < std::chrono::milliseconds(100) && done < mTotal)
        return;
    mLastDraw = now;
    draw(done);
}

void ProgressBar::finish()
{
    if (!mShown)
        return;
    draw(mDone);
    std::fputc('\n', stderr);
}

void ProgressBar::draw(int done)
{
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
    // \033[K clears what a longer earlier line left behind.
    std::fprintf(stderr, "\r%s\033[K", line(done, mTotal, elapsed, mBytes).c_str());
    std::fflush(stderr);
}

} // namespace veko
