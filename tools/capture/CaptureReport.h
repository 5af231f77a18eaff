#ifndef VEKO_CAPTURE_REPORT_H
#define VEKO_CAPTURE_REPORT_H

#include <string>

namespace veko {

// Every line kavri-capture prints on standard error goes out here, "kavri-capture: " first.
// Names (a file, a folder, an option as typed) and what ffmpeg prints may hold control
// characters; they are shown escaped as the show's own messages are ("\x1b"), so a hostile
// name cannot retitle or clear the user's terminal.
void captureReport(const std::string& line);

// Another program's text, one line of ours for each of its lines: "kavri-capture: from: ...".
void captureRelay(const std::string& from, const std::string& text);

} // namespace veko

#endif
