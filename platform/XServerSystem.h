#ifndef VEKO_X_SERVER_SYSTEM_H
#define VEKO_X_SERVER_SYSTEM_H

#include <functional>

namespace veko {

// What XServer.cpp shares with its system part (XServerSystem.cpp, windows/XServerSystem.cpp):
// calls attempt up to a few times, 50 ms apart, until it returns true; false if it never did.
bool tryAFewTimes(const std::function<bool()>& attempt);

} // namespace veko

#endif
