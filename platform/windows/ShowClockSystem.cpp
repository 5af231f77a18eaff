// SPDX-License-Identifier: MIT
#include "platform/ShowClockSystem.h"

#include "platform/ShowClock.h"

#include <windows.h>

namespace veko {

// A process is not stopped and continued on Windows; the show's window notes the machine's
// waking from sleep instead (windows/ShowWindow.cpp).
void catchContinue()
{
}

long long ShowClock::monotonicMilliseconds()
{
    static const long long frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<long long>(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart / frequency * 1000 + counter.QuadPart % frequency * 1000 / frequency;
}

} // namespace veko
