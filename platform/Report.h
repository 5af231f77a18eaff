#ifndef VEKO_REPORT_H
#define VEKO_REPORT_H

#include <string>

namespace veko {

// Every line the show prints goes out here: on stderr, "kavri: " first. Text that comes from
// a file (a name, a line of a model) may hold control characters; they are shown escaped
// ("\x1b"), so a hostile file cannot retitle or clear the user's terminal.
void report(const std::string& line);

// A line about one file. Each file gets one line: whatever is said about it later (the
// engine's own complaints, a loader giving up on what was refused) is dropped.
void reportFile(const std::string& path, const std::string& line);
bool fileReported(const std::string& path);

// The text with control characters, DEL and bytes that are not UTF-8 written as \xNN.
std::string printable(const std::string& text);

} // namespace veko

#endif
