#include "driver/folder_scan.h"

#include <cstdio>
#include <memory>

#include "checks/classification.h"
#include "checks/facility_header.h"
#include "driver/path_text.h"
#include "platform/platform.h"
#include "report/texts.h"

namespace driver {

namespace {

struct FileCloser {
  // Read-only: closing cannot lose data.
  void operator()(std::FILE* file) const { (void)std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens the lower-cased name when it exists, as a case-insensitive file
// system would; otherwise the entry as found.
FileHandle openEntry(const std::string& folder, const std::string& foundName, const std::string& fullPath) {
  FileHandle file{platform::openForReading(fullPath)};
  if (!file && asciiLower(foundName) != foundName) file.reset(platform::openForReading(folder + foundName));
  return file;
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
  for (const std::string& foundName : listing.names) {
    const std::string name = asciiLower(foundName);
    const std::string fullPath = listing.folder + name;
    if (!fitsPathLimit(fullPath)) continue;
    if (FileHandle file = openEntry(listing.folder, foundName, fullPath)) examineFile(state, file.get(), name, fullPath);
  }
}

}  // namespace driver
