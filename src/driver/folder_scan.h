#pragma once

#include <string>

#include "driver/run.h"

namespace driver {

// Opens every .bgl entry of `folder` (ending with a separator), counts it,
// runs the facility checks on facility files and prints the running count at
// every tenth file of the run. Files that cannot be opened are skipped
// uncounted.
void scanFolder(RunState& state, const std::string& folder);

}  // namespace driver
