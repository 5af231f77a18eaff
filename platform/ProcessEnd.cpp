#include "platform/ProcessEnd.h"

#include "platform/DisplayMode.h"
#include "platform/ProcessEndSystem.h"

namespace veko {

namespace {

void endNow(int exitCode)
{
    restoreDesktopMode();
    exitAtOnce(exitCode);
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
