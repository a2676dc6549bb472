#pragma once

#include <string>

#include "driver/run_state.h"
#include "report/text_out.h"

namespace driver {

// Opens every .bgl entry of `folder` (ending with a separator), checks it,
// records a bad file's verdict in `results` and prints the running count at
// every tenth file of the run. Files that cannot be opened are skipped
// uncounted; those that are there but could not be read, and the folder
// itself when it could not be listed, are recorded in `results` as unread.
// Gives what this folder alone held.
ScanCounters scanFolder(const platform::SystemPaths& paths, FileChecker& checker, report::TextOut& console,
                        ScanResults& results, const std::string& folder);

}  // namespace driver
