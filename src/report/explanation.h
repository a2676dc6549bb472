#pragma once

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

// What a scan did, for the explanation.
struct ScanAccount {
  const std::vector<AreaSummary>& areas;
  const checks::BadFileLists& lists;
  const std::vector<UnreadRecord>& unread;
};

// The block that --explain adds after the verdict: each area scanned, what
// could not be read and why, then each bad file with the reason of every
// check it failed.
void printExplanation(TextOut& console, const ScanAccount& scan);

// The paragraph of one file named on the command line.
void printNamedFile(TextOut& console, const std::string& path, const NamedFileResult& result);

// The line that tells why a section failed its validation.
std::string formatErrorText(const checks::SectionVerdict& verdict);

}  // namespace report
