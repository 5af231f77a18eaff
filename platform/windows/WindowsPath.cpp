// SPDX-License-Identifier: MIT
#include "platform/WindowsPath.h"

#include <windows.h>

namespace veko {

namespace {

// Room kept for what the show reads below its data folder's parent: "\data\textures\" and
// the longest of its file names, with a margin for the names a model's material file gives.
const size_t kRoomForNames = 64;

bool isAbsolute(const std::wstring& path)
{
    return path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

bool isShare(const std::wstring& path)
{
    return path.size() > 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/') &&
           path[2] != L'?' && path[2] != L'.';
}

} // namespace

std::wstring anyLengthName(const std::wstring& path)
{
    if (path.size() < MAX_PATH)
        return path;
    // Extended-length names take no "/" and no "." or ".." parts: the full name first.
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = size == 0 ? 0 : GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size)
        return path;
    full.resize(length);
    if (isAbsolute(full))
        return L"\\\\?\\" + full;
    if (isShare(full))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return path;
}

bool roomInside(const std::wstring& folder)
{
    return folder.size() + kRoomForNames < MAX_PATH;
}

std::wstring workingName(const std::wstring& folder)
{
    if (roomInside(folder))
        return folder;
    const std::wstring name = anyLengthName(folder);
    const DWORD size = GetShortPathNameW(name.c_str(), nullptr, 0);
    std::wstring shortName(size, L'\0');
    const DWORD length = size == 0 ? 0 : GetShortPathNameW(name.c_str(), &shortName[0], size);
    if (length == 0 || length >= size)
        return folder;
    shortName.resize(length);
    // Back from the extended-length form: a working directory cannot be one.
    if (shortName.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        shortName = L"\\\\" + shortName.substr(8);
    else if (shortName.compare(0, 4, L"\\\\?\\") == 0)
        shortName.erase(0, 4);
    return roomInside(shortName) ? shortName : folder;
}

} // namespace veko
