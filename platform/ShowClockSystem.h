#ifndef VEKO_SHOW_CLOCK_SYSTEM_H
#define VEKO_SHOW_CLOCK_SYSTEM_H

namespace veko {

// What ShowClock.cpp asks of its system part (ShowClockSystem.cpp, windows/ShowClockSystem.cpp),
// which also holds ShowClock::monotonicMilliseconds: have ShowClock::noteContinued called
// whenever the process goes on after it was stopped.
void catchContinue();

} // namespace veko

#endif
