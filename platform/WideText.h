// SPDX-License-Identifier: MIT
#ifndef VEKO_WIDE_TEXT_H
#define VEKO_WIDE_TEXT_H

#include <string>

namespace veko {

// Windows speaks UTF-16; inside the show every text is UTF-8.
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);

} // namespace veko

#endif
