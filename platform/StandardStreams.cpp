#include "platform/StandardStreams.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#ifdef _WIN32
#include <windows.h>

#include "platform/WideText.h"
#endif

namespace veko {

#ifdef _WIN32

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

#else

void ensureStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            continue;
        // open() takes the lowest free descriptor, which is this one.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened > 2)
            close(opened);
    }
}

void sayToUser(const char* text)
{
    std::fputs(text, stdout);
}

#endif

} // namespace veko
