#include "platform/ProcessEnd.h"

#include "platform/DisplayMode.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace veko {

namespace {

void endNow(int exitCode)
{
    restoreDesktopMode();
#ifdef _WIN32
    ExitProcess(static_cast<UINT>(exitCode));
#else
    _exit(exitCode);
#endif
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
