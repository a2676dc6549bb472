#include "originals/original_search.h"

#include <algorithm>
#include <unordered_set>

#include "checks/stock_tables.h"
#include "platform/path_text.h"
#include "platform/platform.h"

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
std::vector<std::pair<platform::Path, bool>> badFilesOf(const checks::BadFileLists& lists) {
  std::vector<std::pair<platform::Path, bool>> files;
  std::unordered_set<std::string> seen;
  for (const checks::BadFileList* list : {&lists.formatErrorList, &lists.checksumErrorList}) {
    for (const checks::BadFileRecord& record : *list) {
      if (seen.insert(record.path.shown()).second) files.emplace_back(record.path, record.isStock);
    }
  }
  return files;
}

// Marks the findings of the files whose checksum alone is off: their
// facility section is sound, so the change may have been wanted.
void markSoundButChanged(const checks::BadFileLists& lists, std::vector<OriginalFinding>& findings) {
  std::unordered_set<std::string> formatErrors;
  std::unordered_set<std::string> checksumErrors;
  for (const checks::BadFileRecord& record : lists.formatErrorList) formatErrors.insert(record.path.shown());
  for (const checks::BadFileRecord& record : lists.checksumErrorList) checksumErrors.insert(record.path.shown());
  for (OriginalFinding& finding : findings) {
    const std::string shown = finding.badPath.shown();
    finding.soundButChanged = checksumErrors.count(shown) != 0 && formatErrors.count(shown) == 0;
  }
}

// The name of a cabinet's entry without the folders stored with it.
std::string_view entryFileName(std::string_view entry) {
  const std::size_t separator = entry.find_last_of("\\/");
  return separator == std::string_view::npos ? entry : entry.substr(separator + 1);
}

}  // namespace

std::vector<OriginalFinding> OriginalSearch::find(const checks::BadFileLists& lists, const SearchPlaces& places) {
  const std::vector<std::pair<platform::Path, bool>> badFiles = badFilesOf(lists);
  for (const auto& [path, isStock] : badFiles) {
    const std::string name = path.fileName();
    if (!isStock) continue;
    wanted_.push_back({name, checks::findStockChecksum(name), crcOfBadFile(path)});
  }
  std::vector<OriginalFinding> findings;
  findings.reserve(badFiles.size());
  auto wanted = wanted_.begin();
  for (const auto& [path, isStock] : badFiles) {
    // An add-on file has no original.
    findings.push_back(isStock ? stockFinding(path, *wanted++, places)
                               : OriginalFinding{path, false, std::nullopt, {}, false, false});
  }
  if (progressShown_) progress_->finished();
  markSoundButChanged(lists, findings);
  // Only the findings' originals keep their bytes.
  for (auto& [cabinet, contents] : cabinetEntries_) {
    for (CabinetEntry& entry : contents.entries) entry.bytes.reset();
  }
  return findings;
}

OriginalFinding OriginalSearch::stockFinding(const platform::Path& path, const Wanted& wanted,
                                             const SearchPlaces& places) {
  OriginalFinding finding{path, true, std::nullopt, {}, false, false};
  // A file that holds its reference value already has no better original.
  if (wanted.reference && wanted.badCrc == wanted.reference) {
    finding.holdsReference = true;
    return finding;
  }
  if (const std::optional<platform::Path> ownFolder = path.parent()) {
    finding.searched.push_back({ownFolder->shown(), SearchedPlace::Kind::Searched});
    finding.original = searchOwnFolder(wanted, *ownFolder);
  }
  for (const std::string& place : places.places) {
    if (finding.original) break;
    finding.original = searchPlace(wanted, place);
    finding.searched.push_back({place, placeKinds_[place]});
  }
  finding.noOpticalDrive = !finding.original && places.opticalDrives && places.places.empty();
  return finding;
}

bool OriginalSearch::Wanted::mayBe(std::string_view candidateName) const {
  return reference.has_value() || platform::sameAsciiFolded(candidateName, name);
}

std::optional<VerifiedOriginal> OriginalSearch::verified(
    const Wanted& wanted, const std::string& name, const std::optional<checks::CandidateFacts>& facts) const {
  // A copy of the bad file itself (the same CRC-32) is never its original.
  if (!facts || !facts->facility || facts->crc == wanted.badCrc) return std::nullopt;
  if (wanted.reference) {
    if (facts->crc != *wanted.reference) return std::nullopt;
    return VerifiedOriginal{{}, {}, true, facts->crc, nullptr};
  }
  if (!wanted.mayBe(name) || !facts->sectionSound) return std::nullopt;
  return VerifiedOriginal{{}, {}, false, facts->crc, nullptr};
}

std::optional<VerifiedOriginal> OriginalSearch::searchOwnFolder(const Wanted& wanted, const platform::Path& folder) {
  const platform::FolderContents contents = files_.listFolder(folder.shown());
  for (const std::string& name : contents.files) {
    if (isTheFileItself(name, wanted.name) || name.ends_with(kTemporarySuffix)) continue;
    std::optional<std::string> path = platform::pathInFolder(paths_, contents.folder, name);
    if (!path) continue;
    // A file that cannot be the original is not read.
    if (!wanted.mayBe(name)) continue;
    if (auto original = verified(wanted, name, factsOf(*path))) {
      original->path = std::move(*path);
      return original;
    }
  }
  return std::nullopt;
}

std::optional<VerifiedOriginal> OriginalSearch::searchPlace(const Wanted& wanted, const std::string& place) {
  for (const PlaceFile& file : filesOf(place)) {
    std::optional<VerifiedOriginal> original;
    if (file.isCabinet) {
      original = searchCabinet(wanted, file.path);
    } else {
      const std::string name = platform::fileNameOf(file.path);
      if (!wanted.mayBe(name)) continue;
      original = verified(wanted, name, factsOf(file.path));
      if (original) original->path = file.path;
    }
    if (original) return original;
  }
  return std::nullopt;
}

std::optional<VerifiedOriginal> OriginalSearch::searchCabinet(const Wanted& wanted, const std::string& cabinet) {
  const CabinetContents& contents = entriesOf(cabinet);
  for (const CabinetEntry& entry : contents.entries) {
    if (auto original = verified(wanted, std::string(entryFileName(entry.name)), entry.facts)) {
      original->path = contents.path;
      original->entry = entry.name;
      original->entryBytes = entry.bytes;
      return original;
    }
  }
  return std::nullopt;
}

const std::vector<PlaceFile>& OriginalSearch::filesOf(const std::string& place) {
  const auto [entry, isNew] = placeFiles_.try_emplace(place);
  if (!isNew) return entry->second;
  // A file named as a place is a candidate of its own, or a cabinet; a folder
  // is searched with its subfolders.
  SearchedPlace::Kind& kind = placeKinds_[place];
  if (files_.isExistingFile(place)) {
    const bool cabinet = platform::hasExtension(place, ".cab");
    if (cabinet || platform::hasExtension(place, ".bgl")) {
      entry->second.push_back({place, cabinet});
    } else {
      kind = SearchedPlace::Kind::NotSearchable;
    }
  } else if (files_.pathExists(place)) {
    collectPlaceFiles(withSeparator(place), 0, entry->second);
  } else {
    kind = SearchedPlace::Kind::Missing;
  }
  return entry->second;
}

std::optional<std::uint32_t> OriginalSearch::crcOfBadFile(const platform::Path& path) {
  const platform::File file = files_.openForReading(path.shown());
  if (!file) return std::nullopt;
  checks::FileBytes bytes(file, window_);
  return checks::fileCrc32(bytes, crcKernel_);
}

std::optional<checks::CandidateFacts> OriginalSearch::factsOf(const std::string& path) {
  const auto [entry, isNew] = facts_.try_emplace(path);
  if (!isNew) return entry->second;
  const platform::File file = files_.openForReading(path);
  if (file) {
    checks::FileBytes bytes(file, window_);
    entry->second = checks::examineCandidate(bytes, crcKernel_);
  }
  countFileRead();
  return entry->second;
}

namespace {

bool readInFull(const cabinets::CabinetReading& reading) {
  return !reading.problem && reading.notRead.empty() && !reading.missingNextPart && !reading.missingPreviousPart &&
         !reading.listCutShort;
}

}  // namespace

const OriginalSearch::CabinetContents& OriginalSearch::entriesOf(const std::string& cabinet) {
  static const CabinetContents kReadWithItsSet;
  if (readAsParts_.count(cabinet) != 0) return kReadWithItsSet;
  const auto [entry, isNew] = cabinetEntries_.try_emplace(cabinet);
  if (!isNew) return entry->second;
  CabinetContents& contents = entry->second;
  std::vector<std::optional<std::size_t>> claimedBy(wanted_.size());
  std::optional<checks::CandidateFacts> lastFacts;
  const cabinets::CabinetReading reading = cabinets::readBglEntries(cabinet, [&](const cabinets::EntryOut& out) {
    if (!out.sameBytesAsLast || !lastFacts) {
      checks::FileBytes inMemory(out.bytes);
      lastFacts = checks::examineCandidate(inMemory, crcKernel_);
    }
    contents.entries.push_back({out.order, out.name, *lastFacts, nullptr});
    keepIfClaims(contents.entries, claimedBy, out.bytes);
    countFileRead();
  });
  std::sort(contents.entries.begin(), contents.entries.end(),
            [](const CabinetEntry& a, const CabinetEntry& b) { return a.order < b.order; });
  contents.path = reading.parts.empty() ? cabinet : reading.parts.front();
  for (const std::string& part : reading.parts) {
    if (part != cabinet) readAsParts_.insert(part);
  }
  if (!readInFull(reading)) cabinetsNotRead_.push_back({contents.path, reading});
  return contents;
}

// Keeps the bytes of the last entry of `entries` when it is an original of
// a wanted file that no entry before it in its cabinet's listing is
// (`claimedBy` tells which is, by place in `entries`): the one the search
// will choose in that cabinet. An entry that no longer claims any gives its
// bytes up.
void OriginalSearch::keepIfClaims(std::vector<CabinetEntry>& entries,
                                  std::vector<std::optional<std::size_t>>& claimedBy,
                                  std::span<const std::uint8_t> bytes) const {
  const std::size_t latest = entries.size() - 1;
  const std::string fileName(entryFileName(entries[latest].name));
  for (std::size_t i = 0; i < wanted_.size(); ++i) {
    if (!verified(wanted_[i], fileName, entries[latest].facts)) continue;
    const std::optional<std::size_t> earlier = claimedBy[i];
    if (earlier && entries[*earlier].order < entries[latest].order) continue;
    claimedBy[i] = latest;
    if (!entries[latest].bytes) entries[latest].bytes = std::make_shared<const std::vector<std::uint8_t>>(bytes.begin(), bytes.end());
    if (earlier && std::find(claimedBy.begin(), claimedBy.end(), earlier) == claimedBy.end()) {
      entries[*earlier].bytes.reset();
    }
  }
}

// Every file of `folder` and its subfolders, to `depth` levels below, that
// the Windows "*.bgl" search reports, and every cabinet ("*.cab", any case);
// folders first-come, depth first.
void OriginalSearch::collectPlaceFiles(const std::string& folder, int depth, std::vector<PlaceFile>& files) {
  const platform::FolderListing listing = files_.findBglFiles(paths_, folder);
  for (const std::string& name : listing.names) {
    if (auto path = platform::pathInFolder(paths_, listing.folder, name)) files.push_back({std::move(*path), false});
  }
  const platform::FolderContents contents = files_.listFolder(folder);
  for (const std::string& name : contents.files) {
    if (!platform::hasExtension(name, ".cab")) continue;
    if (auto path = platform::pathInFolder(paths_, contents.folder, name)) files.push_back({std::move(*path), true});
  }
  if (depth >= kMaxSearchDepth) return;
  for (const std::string& sub : contents.folders) {
    if (auto path = platform::pathInFolder(paths_, contents.folder, sub)) {
      collectPlaceFiles(*path + platform::pathSeparator(), depth + 1, files);
    }
  }
}

void OriginalSearch::countFileRead() {
  ++filesRead_;
  showProgress();
}

void OriginalSearch::showProgress() {
  if (progress_ == nullptr) return;
  const std::chrono::steady_clock::time_point now = clock_();
  if (filesRead_ % kProgressEvery != 0 && now - lastShown_ < kProgressInterval) return;
  progress_->filesRead(filesRead_);
  progressShown_ = true;
  lastShown_ = now;
}

}  // namespace originals
