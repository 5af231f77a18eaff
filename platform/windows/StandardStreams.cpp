#include "platform/StandardStreams.h"

#include <cstdio>

#include <windows.h>

#include "platform/WideText.h"

namespace veko {

namespace {

bool usable(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

} // namespace

void ensureStandardStreams()
{
    // Handed over (redirected, or a console program's): use them as they are.
    if (usable(STD_OUTPUT_HANDLE) || usable(STD_ERROR_HANDLE))
        return;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
}

void sayToUser(const char* text)
{
    if (usable(STD_OUTPUT_HANDLE)) {
        std::fputs(text, stdout);
        std::fflush(stdout);
        return;
    }
    MessageBoxW(nullptr, widen(text).c_str(), L"Kavri", MB_OK | MB_ICONINFORMATION);
}

} // namespace veko
