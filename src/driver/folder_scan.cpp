#include "driver/folder_scan.h"

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>

#include "platform/path.h"
#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/texts.h"

namespace driver {

namespace {

// The name a listed path shows for an entry: as found where letter case
// tells files apart; on Windows the lower-cased name, unless another entry
// of the folder has exactly that name (a case-sensitive disk under Wine can
// hold both); then the name as found, so that a listed path always names
// the file that was checked.
std::string listedName(const std::set<std::string_view>& present, const std::string& foundName) {
  if (!platform::listsNamesLowerCased()) return foundName;
  std::string lowerName = platform::asciiLower(foundName);
  if (lowerName != foundName && present.count(lowerName) > 0) return foundName;
  return lowerName;
}

// A name as the listing shows it: a control character (a Linux name may hold
// a line end) as '?', so that every record stays one line.
std::string shownName(std::string name) {
  std::replace_if(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
  return name;
}

void count(ScanCounters& counters, const checks::FileVerdict& verdict) {
  if (verdict.facility) ++counters.facilityFiles;
  ++counters.allFiles;
}

void printRunningCount(report::TextOut& console, const ScanCounters& run) {
  if (static_cast<unsigned>(run.allFiles) % 10U != 0) return;
  console.print(report::formatText(report::kRunningCount, run.allFiles, run.facilityFiles));
}

}  // namespace

ScanCounters scanFolder(const platform::SystemPaths& paths, FileChecker& checker, report::TextOut& console,
                        ScanResults& results, const std::string& folder) {
  const platform::FolderListing listing = platform::findBglFiles(paths, folder);
  if (listing.failure) results.unread.push_back({folder, *listing.failure});
  const std::set<std::string_view> present(listing.names.begin(), listing.names.end());
  ScanCounters own;
  for (const std::string& foundName : listing.names) {
    const std::string name = listedName(present, foundName);
    const std::optional<platform::Path> fullPath = platform::Path::of(paths, listing.folder + shownName(name));
    if (!fullPath) continue;
    // Such a file is on a Linux disk; FS2002 cannot open it there.
    if (platform::isNameWindowsCannotHold(foundName)) {
      results.unread.push_back({fullPath->shown(), {platform::FileFailure::Kind::NameNotWindows, {}}});
      continue;
    }
    // Each entry is opened under its own name, so every file is checked once.
    std::optional<platform::FileFailure> failure;
    const platform::File file = platform::openForReading(listing.entriesFolder + foundName, &failure);
    if (failure) results.unread.push_back({fullPath->shown(), *failure});
    if (!file) continue;
    const checks::FileVerdict verdict = checker.check(file, name);
    checks::classifyFacilityFile(results.lists, *fullPath, verdict);
    count(own, verdict);
    count(results.counters, verdict);
    printRunningCount(console, results.counters);
  }
  return own;
}

}  // namespace driver
