#include "platform/ProcessEndSystem.h"

#include <windows.h>

namespace veko {

void exitAtOnce(int exitCode)
{
    ExitProcess(static_cast<UINT>(exitCode));
}

} // namespace veko
