#ifndef VEKO_REPORT_H
#define VEKO_REPORT_H

#include <string>

namespace veko {

// Every line the show prints goes out here: on stderr, "kavri: " first. Text that comes from
// a file (a name, a line of a model) may hold control characters; they are shown escaped
// ("\x1b"), so a hostile file cannot retitle or clear the user's terminal. On Windows the
// lines also go to kavri.log beside the program and to the debugger's output.
void report(const std::string& line);
// The same for another program of the show's (kavri-capture), or before the options are read.
void reportAs(const char* programName, const std::string& line);

// On Windows, begins this run's kavri.log (empty until something is said), so that no line of
// an earlier run stays there. Elsewhere nothing.
void beginReportLog();

// Every line reported so far in this run, as printed: what a start-up failure shows in a
// message box on Windows.
const std::string& reportsSoFar();

// A line about one file. Each file gets one line: whatever is said about it later (the
// engine's own complaints, a loader giving up on what was refused) is dropped.
void reportFile(const std::string& path, const std::string& line);
bool fileReported(const std::string& path);

// The text with control characters, DEL and bytes that are not UTF-8 written as \xNN.
std::string printable(const std::string& text);

} // namespace veko

#endif
