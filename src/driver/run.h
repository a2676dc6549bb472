#pragma once

#include <cstdint>
#include <string>

#include "checks/classification.h"
#include "driver/path_text.h"
#include "platform/platform.h"
#include "report/text_out.h"

namespace driver {

// Files seen over the whole run; a file counts once per folder scan that opens it.
struct ScanCounters {
  std::int32_t allFiles = 0;       // every .bgl file that could be opened
  std::int32_t facilityFiles = 0;  // those recognised as facility files
};

// Everything one run knows, created by the entry and handed down.
struct RunState {
  explicit RunState(report::TextOut& consoleOut) : console(consoleOut) {}

  report::TextOut& console;
  platform::SystemPaths paths;  // where the installation's Windows paths lead
  std::string hostFolder;  // empty: no FS2002 installation found
  ScanCounters counters;
  checks::FileCheckState checks;
};

enum class RunOutcome {
  NoBadFiles,     // the scan found nothing wrong
  BadFilesFound,  // at least one file stands in the listing
  Failed,         // no FS2002 folder, or no listing file could be written
};

// The whole run: banner, host folder, scan, listing and verdict, then the
// ENTER prompt, which waits for one line of standard input or its end.
RunOutcome runScan(RunState& state);

// The process exit status that reports `outcome`: 0, 1 or 2.
int exitStatusOf(RunOutcome outcome);

// The folder of the program file at `programPath`: the text before its last
// `separator` (never the trail byte of a two-byte character), or empty text
// when it has none.
std::string ownFolderOf(const std::string& programPath, char separator,
                        LeadByteTest isLeadByte = platform::isLeadByte);

}  // namespace driver
