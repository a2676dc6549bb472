#include "driver/folder_scan.h"

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

// The name a listed path shows for an entry: the lower-cased name, unless
// another entry of the folder has exactly that name (a case-sensitive disk
// can hold both); then the name as found, so that a listed path always names
// the file that was checked.
std::string listedName(const std::set<std::string_view>& present, const std::string& foundName) {
  std::string lowerName = asciiLower(foundName);
  if (lowerName != foundName && present.count(lowerName) > 0) return foundName;
  return lowerName;
}

void examineFile(RunState& state, checks::FileBytes& file, const std::string& name, const std::string& fullPath) {
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
    const std::string name = listedName(present, foundName);
    const std::string fullPath = listing.folder + name;
    if (!fitsPathLimit(fullPath)) continue;
    // Each entry is opened under its own name, so every file is checked once.
    FileHandle file{platform::openForReading(listing.folder + foundName)};
    if (!file) continue;
    // One window for every file of the run: its stream's own buffer stays unused.
    checks::FileBytes bytes(file.get(), state.checks.window);
    examineFile(state, bytes, name, fullPath);
  }
}

}  // namespace driver
