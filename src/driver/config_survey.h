#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "scan/scan_results.h"

namespace driver {

// Most notes the explanation shows; more are only counted.
inline constexpr std::size_t kMaxConfigNotes = 300;

// Reads the Scenery.cfg at `configPath` once more, in one pass of the
// program's own profile reader, for what the walk does not read as FS2002
// loads it: sections that look like areas but are never asked for (with
// their Local value), an area's section repeated, areas marked
// Active=FALSE, and areas (of `areas`, as scanned) whose folder an earlier
// area scanned. Memory stays within the notes kept, whatever the file.
scan::ConfigSurvey surveyConfig(const platform::SystemPaths& paths, const std::string& configPath,
                                const std::vector<scan::AreaSummary>& areas);

}  // namespace driver
