#include "platform/Report.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/ProgramFile.h"
#include "platform/WideText.h"
#include "platform/WindowsPath.h"
#endif

namespace veko {

namespace {

// Files are told apart by their absolute, normalised name: the engine names a file now as the
// scene wrote it, now as an absolute path.
std::string fileKey(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path key = std::filesystem::weakly_canonical(path, error);
    return error ? path : key.string();
}

std::set<std::string>& reportedFiles()
{
    static std::set<std::string> files;
    return files;
}

// Length of the well-formed UTF-8 sequence at s, or 0. Code points U+0080..U+009F are C1
// controls, which some terminals obey as escapes: they count as not printable.
size_t utf8Length(const unsigned char* s, size_t left)
{
    size_t length = 0;
    unsigned int cp = 0;
    if (s[0] >= 0xc2 && s[0] <= 0xdf) { length = 2; cp = s[0] & 0x1f; }
    else if (s[0] >= 0xe0 && s[0] <= 0xef) { length = 3; cp = s[0] & 0x0f; }
    else if (s[0] >= 0xf0 && s[0] <= 0xf4) { length = 4; cp = s[0] & 0x07; }
    else return 0;
    if (length > left)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((s[i] & 0xc0) != 0x80)
            return 0;
        cp = (cp << 6) | (s[i] & 0x3f);
    }
    const unsigned int smallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (cp < smallest[length] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff) || cp <= 0x9f)
        return 0;
    return length;
}

std::string& reportsOfThisRun()
{
    static std::string reports;
    return reports;
}

#ifdef _WIN32
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

void keepOnWindows(const std::string& text)
{
    OutputDebugStringW(widen(text).c_str());
    if (FILE* log = windowsLog()) {
        std::fputs(text.c_str(), log);
        std::fflush(log);
    }
}
#endif

// A backslash is written twice, so that "\\x1b" in a name is told apart from an escaped
// control character; on Windows it separates folders and stays as it is, readable.
#ifdef _WIN32
const bool kBackslashIsPlain = true;
#else
const bool kBackslashIsPlain = false;
#endif

} // namespace

std::string printable(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        if (s[i] >= 0x20 && s[i] < 0x7f && (s[i] != '\\' || kBackslashIsPlain)) {
            out += static_cast<char>(s[i++]);
            continue;
        }
        if (s[i] == '\\') {
            out += "\\\\";
            ++i;
            continue;
        }
        if (const size_t length = utf8Length(s + i, text.size() - i)) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", s[i++]);
        out += escaped;
    }
    return out;
}

void report(const std::string& line)
{
    reportAs("kavri", line);
}

void reportAs(const char* programName, const std::string& line)
{
    const std::string text = std::string(programName) + ": " + printable(line) + "\n";
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    reportsOfThisRun() += text;
#ifdef _WIN32
    keepOnWindows(text);
#endif
}

void reportFile(const std::string& path, const std::string& line)
{
    if (!reportedFiles().insert(fileKey(path)).second)
        return;
    report(line);
}

void beginReportLog()
{
#ifdef _WIN32
    windowsLog();
#endif
}

const std::string& reportsSoFar()
{
    return reportsOfThisRun();
}

bool fileReported(const std::string& path)
{
    return reportedFiles().count(fileKey(path)) != 0;
}

} // namespace veko
