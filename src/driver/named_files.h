#pragma once

#include <string>
#include <vector>

#include "driver/run.h"

namespace driver {

// Checks each file at `paths` as the scan checks a facility file, and prints
// a paragraph for each: no installation is looked for, no listing written.
// Failed when a file cannot be opened, else BadFilesFound when one is bad.
RunOutcome checkNamedFiles(RunState& state, const std::vector<std::string>& paths);

}  // namespace driver
