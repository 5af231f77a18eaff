#ifndef VEKO_OUTPUT_GUARD_H
#define VEKO_OUTPUT_GUARD_H

#include <string>

#include "tools/capture/CaptureOptions.h"

namespace veko {

class DataFiles;

// Decides, before anything is drawn, whether a capture may write its outputs: never into the
// show's data folder nor over any of its files under another name (a hard link, a symbolic
// link), never over what is not a regular file, and over a video or over frames of the span
// that are there already only when --overwrite is given. Files are told apart by identity,
// not by name. OutputFolder holds to the same when the files are written.
class OutputGuard {
public:
    // False, with one line in error, when an output may not be written. Paths are absolute.
    static bool allows(const CaptureOptions& options, const DataFiles& data, std::string& error);
};

} // namespace veko

#endif
