#pragma once

#include <string>
#include <vector>

#include "driver/run_state.h"
#include "report/text_out.h"

namespace driver {

// Checks each file at `paths`, and every .bgl file in each folder among them
// and its subfolders, as the scan checks a file, and prints a paragraph for
// each: no installation is looked for, nothing recorded, no listing written.
// Failed when a path names nothing or a file cannot be opened, else
// BadFilesFound when one is bad.
RunOutcome checkNamedFiles(FileChecker& checker, report::TextOut& console, const std::vector<std::string>& paths);

}  // namespace driver
