#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "checks/classification.h"
#include "driver/command_line.h"
#include "driver/path_text.h"
#include "platform/platform.h"
#include "report/explanation.h"
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
  bool explain = false;                    // the scan tells what it scanned and why files failed
  std::vector<report::AreaSummary> areas;  // each area scanned, in order
};

enum class RunOutcome {
  Answered,       // --help or --version
  NoBadFiles,     // the checks found nothing wrong
  BadFilesFound,  // at least one file stands in the listing
  Failed,         // no FS2002 folder, or no listing file could be written
};

// The whole run: banner, host folder, scan, listing and verdict (and with
// `state.explain` the explanation), then the ENTER prompt, which waits for
// one line of standard input or its end.
RunOutcome runScan(RunState& state);

// What the command line asks for: the scan, the checks of the named files
// (banner, a paragraph for each, the ENTER prompt), or the usage text or the
// version, which end the run at once.
RunOutcome runProgram(RunState& state, const CommandLine& command);

// The process exit status that reports `outcome`: 0, 1 or 2.
int exitStatusOf(RunOutcome outcome);

// The folder of the program file at `programPath`: the text before its last
// `separator` (never the trail byte of a two-byte character), or empty text
// when it has none.
std::string ownFolderOf(const std::string& programPath, char separator,
                        LeadByteTest isLeadByte = platform::isLeadByte);

}  // namespace driver
