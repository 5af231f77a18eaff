#ifndef VEKO_REPORT_SYSTEM_H
#define VEKO_REPORT_SYSTEM_H

#include <string>

namespace veko {

// What Report.cpp asks of its system part (ReportSystem.cpp, windows/ReportSystem.cpp).

// A backslash is written twice, so that "\\x1b" in a name is told apart from an escaped
// control character; on Windows it separates folders and stays as it is, readable.
extern const bool kBackslashIsPlain;

// Keeps a reported line (as printed) wherever the system keeps them besides stderr.
void keepReportedLine(const std::string& text);

} // namespace veko

#endif
