#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "checks/classification.h"
#include "report/listing.h"
#include "report/text_out.h"

namespace report {

// One scenery area that the scan visited.
struct AreaSummary {
  unsigned number = 0;
  std::string folder;  // the folder as built; the Local value where none could be built
  bool exists = false;
  std::int32_t allFiles = 0;
  std::int32_t facilityFiles = 0;
};

// What became of one file named on the command line.
struct NamedFileResult {
  bool opened = false;
  checks::FileVerdict verdict;  // what the checks found, when it could be opened
};

// Something in Scenery.cfg that the scan does not read as FS2002 loads it,
// at a line of the file.
struct ConfigNote {
  enum class Kind {
    NeverRead,            // a section that looks like an area but is never asked for
    Repeated,             // an area's section again: the reader answers from the first
    Inactive,             // Active=FALSE: scanned, though FS2002 does not load it
    FolderScannedBefore,  // an area's folder that an earlier area scanned
  };
  Kind kind = Kind::NeverRead;
  std::size_t line = 0;
  std::string section;         // the section's name as written
  std::string local;           // NeverRead: its Local value
  std::size_t firstLine = 0;   // Repeated: the line of the section that is read
  unsigned earlierArea = 0;    // FolderScannedBefore: the area that scanned the folder first
};

// The notes on one Scenery.cfg, in the order of its lines; at most a few
// hundred are kept, the rest only counted.
struct ConfigSurvey {
  std::string configPath;
  std::vector<ConfigNote> notes;
  std::size_t notShown = 0;
};

// What a scan did, for the explanation.
struct ScanAccount {
  const std::vector<AreaSummary>& areas;
  const ConfigSurvey& config;
  const checks::BadFileLists& lists;
  const std::vector<UnreadRecord>& unread;
};

// The block that --explain adds after the verdict: each area scanned, what
// the configuration holds that the scan does not read as FS2002 loads it,
// what could not be read and why, then each bad file with the reason of
// every check it failed.
void printExplanation(TextOut& console, const ScanAccount& scan);

// The paragraph of one file named on the command line.
void printNamedFile(TextOut& console, const std::string& path, const NamedFileResult& result);

// The line that tells why a section failed its validation.
std::string formatErrorText(const checks::SectionVerdict& verdict);

}  // namespace report
