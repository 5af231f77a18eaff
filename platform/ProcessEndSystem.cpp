#include "platform/ProcessEndSystem.h"

#include <unistd.h>

namespace veko {

void exitAtOnce(int exitCode)
{
    _exit(exitCode);
}

} // namespace veko
