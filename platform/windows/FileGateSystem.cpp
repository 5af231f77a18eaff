#include "platform/FileGate.h"
#include "platform/FileGateSystem.h"

#include <cwctype>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/WideText.h"

namespace veko {

namespace {

// Windows' own non-files: every folder holds the devices CON, PRN, AUX, NUL, COM1-9 and
// LPT1-9, also with an extension ("aux.png"), and the device namespace (\\.\, \\?\) holds
// pipes and the like.
bool isDeviceName(std::wstring part)
{
    const size_t dot = part.find(L'.');
    if (dot != std::wstring::npos)
        part.erase(dot);
    while (!part.empty() && (part.back() == L' ' || part.back() == L':'))
        part.pop_back();
    for (wchar_t& c : part)
        c = static_cast<wchar_t>(std::towupper(c));
    static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* name : kNames)
        if (part == name)
            return true;
    if (part.size() == 4 && (part.compare(0, 3, L"COM") == 0 || part.compare(0, 3, L"LPT") == 0))
        return (part[3] >= L'0' && part[3] <= L'9') || part[3] == 0xb9 || part[3] == 0xb2 || part[3] == 0xb3;
    return false;
}

bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// "C:\...", "\\server\share\..." or "\...": a name that does not start from the working directory.
bool isAbsolute(const std::wstring& name)
{
    return (name.size() >= 2 && name[1] == L':') || (!name.empty() && isSeparator(name[0]));
}

// Why a name is not one of a file, or "" when it may be one. Windows takes a device name
// only as the last part of a path: a folder named "aux.demos" where the user unpacked the
// show is an ordinary folder. The names the show asks for from its working directory
// ("..\data\...") are its own, and judged in every part.
std::string deviceInName(const std::wstring& name)
{
    if (name.compare(0, 4, L"\\\\.\\") == 0 || name.compare(0, 4, L"\\\\?\\") == 0 || name.compare(0, 4, L"//./") == 0 ||
        name.compare(0, 4, L"//?/") == 0 || name.compare(0, 4, L"\\??\\") == 0)
        return "it is in the device namespace, not a file";
    size_t start = 0;
    if (isAbsolute(name)) {
        const size_t last = name.find_last_of(L"\\/");
        start = last == std::wstring::npos ? 2 : last + 1;
    }
    while (start <= name.size()) {
        const size_t end = name.find_first_of(L"\\/", start);
        const std::wstring part = name.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (isDeviceName(part))
            return "it is a device (" + narrow(part) + "), not a file";
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return "";
}

std::string systemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = text ? narrow(text) : "error " + std::to_string(error);
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

// Reparse points that are no file's data: WSL's pipes, devices and sockets.
bool isSpecialReparseTag(DWORD tag)
{
    return tag == 0x80000023 || tag == 0x80000024 || tag == 0x80000025 || tag == 0x80000026;
}

// Why the object a looking handle holds is not a file to read, or "".
std::string notAFile(HANDLE look, const std::string& path, long long* size)
{
    switch (GetFileType(look)) {
    case FILE_TYPE_DISK: break;
    case FILE_TYPE_PIPE: return "it is a named pipe, not a file";
    case FILE_TYPE_CHAR: return "it is a device, not a file";
    default: return "it is a special file, not a file";
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(look, &info))
        return "it cannot be read: " + systemMessage(GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return "it is a directory, not a file";
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (GetFileInformationByHandleEx(look, FileAttributeTagInfo, &tag, sizeof tag) &&
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && isSpecialReparseTag(tag.ReparseTag))
        return "it is a special file, not a file";
    *size = (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (*size > FileGate::sizeLimit(path))
        return tooLargeReason(path);
    return "";
}

} // namespace

FileGate::Status FileGate::open(const std::string& path, int* fd, long long* size, std::string* why)
{
    *fd = -1;
    *size = 0;
    const std::wstring name = widen(path);
    *why = deviceInName(name);
    if (!why->empty())
        return REFUSED;
    // The name is looked up once, into a handle that may only look at what it found (its
    // attributes): that does nothing to a file or a directory. Links are followed, as on
    // Linux. What is opened for reading below is the object looked at here (ReOpenFile).
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const HANDLE look = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (look == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        *why = missing ? "it is missing" : "it cannot be opened: " + systemMessage(error);
        return missing ? MISSING : REFUSED;
    }
    long long length = 0;
    *why = notAFile(look, path, &length);
    HANDLE data = INVALID_HANDLE_VALUE;
    if (why->empty()) {
        data = ReOpenFile(look, GENERIC_READ, share, FILE_FLAG_SEQUENTIAL_SCAN);
        if (data == INVALID_HANDLE_VALUE)
            *why = "it cannot be opened: " + systemMessage(GetLastError());
    }
    CloseHandle(look);
    if (data == INVALID_HANDLE_VALUE)
        return REFUSED;
    const int opened = _open_osfhandle(reinterpret_cast<intptr_t>(data), _O_RDONLY | _O_BINARY);
    if (opened < 0) {
        CloseHandle(data);
        *why = "it cannot be opened: no descriptor left";
        return REFUSED;
    }
    *fd = opened;
    *size = length;
    return OPENED;
}

} // namespace veko
