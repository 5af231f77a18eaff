#include "platform/Report.h"
#include "platform/ReportSystem.h"

namespace veko {

// On Linux a report goes to stderr only.

const bool kBackslashIsPlain = false;

void keepReportedLine(const std::string&)
{
}

void beginReportLog()
{
}

} // namespace veko
