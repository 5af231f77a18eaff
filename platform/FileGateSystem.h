#ifndef VEKO_FILE_GATE_SYSTEM_H
#define VEKO_FILE_GATE_SYSTEM_H

#include <string>

namespace veko {

// What FileGate.cpp shares with its system part (FileGateSystem.cpp,
// windows/FileGateSystem.cpp), which holds FileGate::open: why a file of this name is refused
// for its size ("it is larger than 64 MB").
std::string tooLargeReason(const std::string& path);

} // namespace veko

#endif
