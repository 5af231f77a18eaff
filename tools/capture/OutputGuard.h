#ifndef VEKO_OUTPUT_GUARD_H
#define VEKO_OUTPUT_GUARD_H

#include <string>

#include "tools/capture/CaptureOptions.h"

namespace veko {

// Decides, before anything is drawn, whether a capture may write its outputs: never into the
// show's data folder, and over a video or over frames of the span that are there already
// only when --overwrite is given. Runs in the folder the tool works in, where the data
// folder is "../data".
class OutputGuard {
public:
    // False, with one line in error, when an output may not be written.
    static bool allows(const CaptureOptions& options, std::string& error);

    // True when path (which need not exist) is folder or lies inside it, links resolved.
    static bool isInside(const std::string& path, const std::string& folder);
};

} // namespace veko

#endif
