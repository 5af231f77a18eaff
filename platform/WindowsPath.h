// SPDX-License-Identifier: MIT
#ifndef VEKO_WINDOWS_PATH_H
#define VEKO_WINDOWS_PATH_H

#include <string>

namespace veko {

// Folders deeper than Windows' MAX_PATH (260 characters). Files at any depth can be opened
// by their extended-length names ("\\?\C:\..."), but a working directory must be shorter than
// MAX_PATH, and the engine makes the scenes' names ("..\data\textures\...") absolute within
// MAX_PATH. (Windows only.)

// The name that opens or creates this file at any depth: for an absolute path too long for
// MAX_PATH, "\\?\C:\..." or "\\?\UNC\server\share\..."; otherwise the path as it is.
std::wstring anyLengthName(const std::wstring& path);

// Whether the names the show reads below this folder fit in MAX_PATH.
bool roomInside(const std::wstring& folder);

// The folder's name to work in: the name as it is when there is room inside it, else its
// short (8.3) name, which Windows keeps for long names on most drives, when there is room
// inside that. The name as it is when neither has room.
std::wstring workingName(const std::wstring& folder);

} // namespace veko

#endif
