#include "tools/capture/CaptureReport.h"

#include <cstdio>

#include "platform/Report.h"

namespace veko {

void captureReport(const std::string& line)
{
    const std::string text = "kavri-capture: " + printable(line) + "\n";
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

void captureRelay(const std::string& from, const std::string& text)
{
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            captureReport(from + ": " + line);
        begin = end + 1;
    }
}

} // namespace veko
