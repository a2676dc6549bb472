#include "originals/original_search.h"

#include <algorithm>
#include <unordered_set>

#include "checks/stock_tables.h"
#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/texts.h"

namespace originals {

namespace {

constexpr int kProgressEvery = 10;
constexpr std::chrono::seconds kProgressInterval{1};

std::string withSeparator(const std::string& folder) {
  const char separator = platform::pathSeparator();
  return !folder.empty() && folder.back() == separator ? folder : folder + separator;
}

// True when `name`, found in a bad file's folder, names that file itself.
bool isTheFileItself(const std::string& name, const std::string& badName) {
  // Where names ignore letter case the listing lowered the bad file's name.
  return platform::listsNamesLowerCased() ? platform::sameAsciiFolded(name, badName) : name == badName;
}

// Each bad file once, in the listing's order, with its stock flag.
std::vector<std::pair<std::string, bool>> badFilesOf(const checks::BadFileLists& lists) {
  std::vector<std::pair<std::string, bool>> files;
  std::unordered_set<std::string> seen;
  for (const checks::BadFileList* list : {&lists.formatErrorList, &lists.checksumErrorList}) {
    for (const checks::BadFileRecord& record : *list) {
      if (seen.insert(record.path).second) files.emplace_back(record.path, record.isStock);
    }
  }
  return files;
}

// Every file of `folder` and its subfolders, to `depth` levels below, that
// the Windows "*.bgl" search reports; folders first-come, depth first.
void collectCandidates(const std::string& folder, int depth, std::vector<std::string>& candidates) {
  const platform::FolderListing listing = platform::findBglFiles(folder);
  for (const std::string& name : listing.names) {
    if (auto path = platform::pathInFolder(listing.folder, name)) candidates.push_back(std::move(*path));
  }
  if (depth >= kMaxSearchDepth) return;
  const platform::FolderContents contents = platform::listFolder(folder);
  for (const std::string& sub : contents.folders) {
    if (auto path = platform::pathInFolder(contents.folder, sub)) {
      collectCandidates(*path + platform::pathSeparator(), depth + 1, candidates);
    }
  }
}

}  // namespace

std::vector<report::OriginalFinding> OriginalSearch::find(const checks::BadFileLists& lists,
                                                          const SearchPlaces& places) {
  std::vector<report::OriginalFinding> findings;
  for (const auto& [path, isStock] : badFilesOf(lists)) {
    report::OriginalFinding finding{path, isStock, std::nullopt, {}, false};
    if (isStock) {
      const std::string name = platform::fileNameOf(path);
      const Wanted wanted{name, checks::findStockChecksum(name)};
      finding.searched.push_back(withSeparator(platform::folderOf(path, platform::pathSeparator())));
      finding.original = searchOwnFolder(wanted, path);
      for (const std::string& place : places.places) {
        if (finding.original) break;
        finding.searched.push_back(place);
        finding.original = searchPlace(wanted, place);
      }
      finding.noOpticalDrive = !finding.original && places.opticalDrives && places.places.empty();
    }
    findings.push_back(std::move(finding));
  }
  if (progressShown_) progress_->print(report::kAreaWalkEnd);
  return findings;
}

std::optional<report::VerifiedOriginal> OriginalSearch::verified(const Wanted& wanted, const std::string& path,
                                                                 const std::string& name) {
  // Without a reference value only a file of the same name can stand for the original.
  if (!wanted.reference && !platform::sameAsciiFolded(name, wanted.name)) return std::nullopt;
  const std::optional<checks::CandidateFacts> facts = factsOf(path);
  if (!facts || !facts->facility) return std::nullopt;
  if (wanted.reference) {
    if (facts->crc != *wanted.reference) return std::nullopt;
    return report::VerifiedOriginal{path, true, facts->crc};
  }
  if (!facts->sectionSound) return std::nullopt;
  return report::VerifiedOriginal{path, false, facts->crc};
}

std::optional<report::VerifiedOriginal> OriginalSearch::searchOwnFolder(const Wanted& wanted,
                                                                        const std::string& badPath) {
  const platform::FolderContents contents =
      platform::listFolder(withSeparator(platform::folderOf(badPath, platform::pathSeparator())));
  for (const std::string& name : contents.files) {
    if (isTheFileItself(name, wanted.name)) continue;
    const std::optional<std::string> path = platform::pathInFolder(contents.folder, name);
    if (!path) continue;
    if (auto original = verified(wanted, *path, name)) return original;
  }
  return std::nullopt;
}

std::optional<report::VerifiedOriginal> OriginalSearch::searchPlace(const Wanted& wanted, const std::string& place) {
  std::optional<report::VerifiedOriginal> original;
  const std::vector<std::string>& candidates = candidatesIn(place);
  (void)std::any_of(candidates.begin(), candidates.end(), [&](const std::string& path) {
    original = verified(wanted, path, platform::fileNameOf(path));
    return original.has_value();
  });
  return original;
}

const std::vector<std::string>& OriginalSearch::candidatesIn(const std::string& place) {
  const auto [entry, isNew] = placeCandidates_.try_emplace(place);
  if (!isNew) return entry->second;
  // A file named as a place is a candidate of its own; a folder is searched with its subfolders.
  if (platform::isExistingFile(place)) {
    entry->second.push_back(place);
  } else {
    collectCandidates(withSeparator(place), 0, entry->second);
  }
  return entry->second;
}

std::optional<checks::CandidateFacts> OriginalSearch::factsOf(const std::string& path) {
  const auto [entry, isNew] = facts_.try_emplace(path);
  if (!isNew) return entry->second;
  const platform::FileHandle file{platform::openForReading(path)};
  if (file) {
    checks::FileBytes bytes(file.get(), window_);
    entry->second = checks::examineCandidate(bytes, crcKernel_);
  }
  ++filesRead_;
  showProgress();
  return entry->second;
}

void OriginalSearch::showProgress() {
  if (progress_ == nullptr) return;
  const std::chrono::steady_clock::time_point now = clock_();
  if (filesRead_ % kProgressEvery != 0 && now - lastShown_ < kProgressInterval) return;
  progress_->print(report::formatText(report::kOriginalsProgress, filesRead_));
  progressShown_ = true;
  lastShown_ = now;
}

}  // namespace originals
