#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "checks/classification.h"
#include "report/listing.h"
#include "scan/scan_results.h"
#include "report/text_out.h"

namespace report {

// What a scan did, for the explanation.
struct ScanAccount {
  const std::vector<scan::AreaSummary>& areas;
  const scan::ConfigSurvey& config;
  const checks::BadFileLists& lists;
  const std::vector<scan::UnreadRecord>& unread;
};

// The block that --explain adds after the verdict: each area scanned, what
// the configuration holds that the scan does not read as FS2002 loads it,
// what could not be read and why, then each bad file with the reason of
// every check it failed.
void printExplanation(TextOut& console, const ScanAccount& scan);

// The paragraph of one file named on the command line.
void printNamedFile(TextOut& console, const std::string& path, const scan::NamedFileResult& result);
// The paragraph of a folder named on the command line that holds no BGL file.
void printEmptyNamedFolder(TextOut& console, const std::string& path);

// The line that tells why a section failed its validation.
std::string formatErrorText(const checks::SectionVerdict& verdict);

}  // namespace report
