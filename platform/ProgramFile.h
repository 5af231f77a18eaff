// SPDX-License-Identifier: MIT
#ifndef VEKO_PROGRAM_FILE_H
#define VEKO_PROGRAM_FILE_H

#include <string>

namespace veko {

// The running program's own file, whole, as an absolute path in UTF-8; an empty string if the
// system does not say. Links are resolved: it is where the program really is, and its data
// folder and (on Windows) kavri.log are found from there.
std::string programFile();

} // namespace veko

#endif
