#include "platform/Report.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/ReportSystem.h"

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
    keepReportedLine(text);
}

void reportFile(const std::string& path, const std::string& line)
{
    if (!reportedFiles().insert(fileKey(path)).second)
        return;
    report(line);
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
