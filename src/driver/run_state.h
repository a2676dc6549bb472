#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/classification.h"
#include "checks/crc32.h"
#include "checks/file_bytes.h"
#include "checks/file_check.h"
#include "driver/command_line.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "report/text_out.h"
#include "scan/scan_results.h"

// The state of one run, split by who owns what: what the run was asked and
// found once before scanning (RunRequest, set by the run sequence), how files
// are checked (FileChecker: configuration and the run's one scratch window),
// and what the scan produced (ScanResults, filled by the walk, read by the
// report). Every driver function takes only the parts it reads or writes.
namespace driver {

// What the run was asked, and the paths it found once.
struct RunRequest {
  CommandLine command;
  std::string startFolder;               // the process's current folder at start: where typed places lead
  std::optional<std::string> ownFolder;  // nothing when the program's own path could not be read
  platform::SystemPaths paths;           // where the installation's Windows paths lead
  std::string hostFolder;                // empty: no FS2002 installation found
};

// How every file of the run is checked: the CRC kernel chosen at start-up,
// and the one window that every file's bytes pass through (scratch: what it
// holds means nothing once a file is done).
class FileChecker {
 public:
  explicit FileChecker(checks::Crc32Function kernel = checks::selectedCrc32Kernel().update)
      : crcKernel_(kernel) {}

  checks::Crc32Function crcKernel() const { return crcKernel_; }

  // Runs every check on one open file named `name` and gives the verdict.
  checks::FileVerdict check(const platform::File& file, std::string_view name) {
    checks::FileBytes bytes(file, window_);
    return checks::checkFile(bytes, name, crcKernel_);
  }

 private:
  checks::Crc32Function crcKernel_;
  std::vector<std::uint8_t> window_ = std::vector<std::uint8_t>(checks::kCrcReadBlockSize);
};

// Files seen by a scan, or by the scan of one folder; a file counts once per
// folder scan that opens it.
struct ScanCounters {
  std::int32_t allFiles = 0;       // every .bgl file that could be opened
  std::int32_t facilityFiles = 0;  // those recognised as facility files
};

// What the scan produced.
struct ScanResults {
  ScanCounters counters;                   // over the whole run, for the running count
  checks::BadFileLists lists;              // the bad files, newest first
  std::vector<scan::AreaSummary> areas;  // each area scanned, in order, with its own counts
  std::vector<scan::UnreadRecord> unread;  // files and folders there but unreadable, in the order met
};

// How a run ended, which the exit status reports.
enum class RunOutcome {
  Answered,       // --help or --version
  NoBadFiles,     // the checks found nothing wrong
  BadFilesFound,  // at least one file stands in the listing
  Failed,         // no FS2002 folder or configuration, nothing checked, something
                  // not read, or no listing file could be written
};

// Everything one run holds, created by the entry and handed down.
struct RunState {
  RunState(report::TextOut& consoleOut, platform::FileSystem& fileSystem) : console(consoleOut), files(fileSystem) {}

  report::TextOut& console;
  platform::FileSystem& files;  // what the search for originals and the restore reach the disk through
  RunRequest request;
  FileChecker checker;
  ScanResults results;
};

}  // namespace driver
