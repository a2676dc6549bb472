#include "driver/folder_scan.h"

#include <cstdio>
#include <set>
#include <string_view>

#include "checks/classification.h"
#include "checks/facility_header.h"
#include "driver/path_text.h"
#include "platform/platform.h"
#include "report/texts.h"

namespace driver {

namespace {

using platform::FileHandle;

// The name to open for an entry: its lower-cased name when the folder holds
// that exact name, as a case-insensitive file system would open; otherwise
// the entry as found. One open per file, whatever the letter case on disk.
const std::string& nameToOpen(const std::set<std::string_view>& present, const std::string& foundName,
                              const std::string& lowerName) {
  return present.count(lowerName) > 0 ? lowerName : foundName;
}

void examineFile(RunState& state, std::FILE* file, const std::string& name, const std::string& fullPath) {
  if (checks::isFacilityFile(file, state.checks.facilityHeader)) {
    ++state.counters.facilityFiles;
    checks::classifyFacilityFile(state.checks, file, name, fullPath);
  }
  ++state.counters.allFiles;
  if (static_cast<unsigned>(state.counters.allFiles) % 10U == 0) {
    state.console.print(
        report::formatText(report::kRunningCount, state.counters.allFiles, state.counters.facilityFiles));
  }
}

}  // namespace

void scanFolder(RunState& state, const std::string& folder) {
  const platform::FolderListing listing = platform::findBglFiles(folder);
  const std::set<std::string_view> present(listing.names.begin(), listing.names.end());
  for (const std::string& foundName : listing.names) {
    const std::string name = asciiLower(foundName);
    const std::string fullPath = listing.folder + name;
    if (!fitsPathLimit(fullPath)) continue;
    FileHandle file{platform::openForReading(listing.folder + nameToOpen(present, foundName, name))};
    if (file) examineFile(state, file.get(), name, fullPath);
  }
}

}  // namespace driver
