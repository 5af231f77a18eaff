#include "platform/ProcessEnd.h"

#include "platform/DisplayMode.h"

#include <unistd.h>

namespace veko {

namespace {

void endNow(int exitCode)
{
    restoreDesktopMode();
    _exit(exitCode);
}

ProcessEndHandler sHandler = endNow;

} // namespace

void endProcess(int exitCode)
{
    sHandler(exitCode);
}

ProcessEndHandler setProcessEndHandler(ProcessEndHandler handler)
{
    ProcessEndHandler previous = sHandler;
    sHandler = handler ? handler : endNow;
    return previous;
}

} // namespace veko
