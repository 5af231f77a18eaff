// SPDX-License-Identifier: MIT
#include "platform/ProgramFile.h"

#include <filesystem>
#include <system_error>

namespace veko {

std::string programFile()
{
    std::error_code code;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", code);
    return code ? std::string() : program.u8string();
}

} // namespace veko
