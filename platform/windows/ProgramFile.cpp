// SPDX-License-Identifier: MIT
#include "platform/ProgramFile.h"

#include <windows.h>

#include "platform/WideText.h"

namespace veko {

// GetModuleFileNameW cuts the name to the buffer it is given and says so only by filling it:
// the buffer grows until the whole name fits. A program may sit deeper than MAX_PATH (260)
// characters, up to the 32767 of a Windows path.
std::string programFile()
{
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &name[0], static_cast<DWORD>(name.size()));
        if (length == 0)
            return std::string();
        if (length < name.size()) {
            name.resize(length);
            return narrow(name);
        }
        if (name.size() >= 32768)
            return std::string();
        name.resize(name.size() * 2);
    }
}

} // namespace veko
