#include "platform/Report.h"
#include "platform/ReportSystem.h"

#include <cstdio>
#include <filesystem>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/ProgramFile.h"
#include "platform/WideText.h"
#include "platform/WindowsPath.h"

namespace veko {

namespace {

// Creates (or empties) a file for writing, at any depth; nullptr if it cannot.
FILE* newTextFile(const std::filesystem::path& path)
{
    const HANDLE handle = CreateFileW(anyLengthName(path.wstring()).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_TEXT);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(fd, "w");
    if (!file)
        _close(fd);
    return file;
}

// A program started from the Explorer has no console: what it says goes to kavri.log beside
// it (or, where that folder cannot be written, in the user's temporary folder), begun anew
// each run, and to the debugger's output (OutputDebugString, e.g. DebugView).
FILE* windowsLog()
{
    static FILE* log = [] {
        const std::filesystem::path program = std::filesystem::u8path(programFile());
        FILE* file = program.empty() ? nullptr : newTextFile(program.parent_path() / L"kavri.log");
        if (!file) {
            wchar_t temp[MAX_PATH + 1];
            if (GetTempPathW(MAX_PATH + 1, temp))
                file = newTextFile(std::filesystem::path(temp) / L"kavri.log");
        }
        return file;
    }();
    return log;
}

} // namespace

const bool kBackslashIsPlain = true;

void keepReportedLine(const std::string& text)
{
    OutputDebugStringW(widen(text).c_str());
    if (FILE* log = windowsLog()) {
        std::fputs(text.c_str(), log);
        std::fflush(log);
    }
}

void beginReportLog()
{
    windowsLog();
}

} // namespace veko
