#include "cabinets/cabinet_set.h"

#include <algorithm>
#include <memory>

#include "platform/path_text.h"
#include "platform/platform.h"

namespace cabinets {

namespace {

// More parts than any set on a CD has; a longer chain is taken as damage.
constexpr std::size_t kMaxParts = 1000;
// A data block's compressed size is a 16-bit field.
constexpr std::uint32_t kMaxBlockBytes = 0xFFFF;

// The file beside `cabinet` that a set's header names: the name as written,
// else the first whose name differs only in the letter case of ASCII letters
// (a CD's names are ASCII; its copy on disk may be spelled in any case).
std::optional<std::string> partBeside(const std::string& cabinet, const std::string& name) {
  if (name.empty() || name.find_first_of("/\\") != std::string::npos) return std::nullopt;
  const std::string folder = cabinet.substr(0, cabinet.size() - platform::fileNameOf(cabinet).size());
  const platform::FolderContents contents = platform::listFolder(folder.empty() ? "./" : folder);
  const auto exact = std::find(contents.files.begin(), contents.files.end(), name);
  if (exact != contents.files.end()) return folder + *exact;
  const auto anyCase = std::find_if(contents.files.begin(), contents.files.end(),
                                    [&](const std::string& file) { return platform::sameAsciiFolded(file, name); });
  if (anyCase != contents.files.end()) return folder + *anyCase;
  return std::nullopt;
}

struct PartOpening {
  std::optional<OpenPart> part;
  CabinetProblem problem = CabinetProblem::CannotOpen;
};

PartOpening openPart(const std::string& path) {
  auto file = std::make_shared<platform::File>(platform::openForReading(path));
  const std::optional<std::uint64_t> size = *file ? platform::fileSize(*file) : std::nullopt;
  if (!size) return {};
  PartBytes bytes{*size, [file](std::uint64_t position, std::span<std::uint8_t> into) {
                    std::size_t got = 0;
                    while (got < into.size()) {
                      const std::size_t read = platform::readAt(*file, position + got, into.subspan(got));
                      if (read == 0) break;
                      got += read;
                    }
                    return got;
                  }};
  DirectoryReading reading = readDirectory(bytes);
  if (!reading.directory) {
    return {std::nullopt, reading.problem == DirectoryProblem::NotACabinet ? CabinetProblem::NotACabinet
                                                                           : CabinetProblem::Damaged};
  }
  return {OpenPart{path, std::move(bytes), std::move(*reading.directory)}, CabinetProblem::Damaged};
}

bool alreadyIn(const std::vector<OpenPart>& parts, const std::string& path) {
  return std::any_of(parts.begin(), parts.end(), [&](const OpenPart& part) { return part.path == path; });
}

// The parts before `parts.front()` that are there, walked back to the first.
void addPartsBefore(std::vector<OpenPart>& parts, CabinetReading& reading) {
  while (parts.front().directory.previousPart && parts.size() < kMaxParts) {
    const std::string& name = *parts.front().directory.previousPart;
    const std::optional<std::string> path = partBeside(parts.front().path, name);
    PartOpening before = path && !alreadyIn(parts, *path) ? openPart(*path) : PartOpening{};
    if (!before.part || before.part->directory.nextPart == std::nullopt) {
      reading.missingPreviousPart = name;
      return;
    }
    parts.insert(parts.begin(), std::move(*before.part));
  }
}

void addPartsAfter(std::vector<OpenPart>& parts, CabinetReading& reading) {
  while (parts.back().directory.nextPart && parts.size() < kMaxParts) {
    const std::string& name = *parts.back().directory.nextPart;
    const std::optional<std::string> path = partBeside(parts.back().path, name);
    if (path && alreadyIn(parts, *path)) return;  // a loop: the set ends here
    PartOpening after = path ? openPart(*path) : PartOpening{};
    if (!after.part) {
      reading.missingNextPart = name;
      return;
    }
    parts.push_back(std::move(*after.part));
  }
}

bool continuesIntoNext(const CabinetDirectory& directory) {
  return std::any_of(directory.files.begin(), directory.files.end(), [](const ListedFile& file) {
    return file.folder == kContinuedToNext || file.folder == kContinuedBothWays;
  });
}

// The joined folder of a file listed in part `part`, or why there is none.
struct FolderOfFile {
  std::optional<std::size_t> folder;
  EntryProblem problem = EntryProblem::NoSuchFolder;
  bool listedBefore = false;  // a duplicate of a listing in the part before
};

FolderOfFile folderOfFile(const ListedFile& file, const std::vector<std::size_t>& joined, bool continuesPrevious) {
  if (file.folder == kContinuedFromPrevious || file.folder == kContinuedBothWays) {
    if (continuesPrevious) return {std::nullopt, EntryProblem::FromMissingPart, true};
    return {std::nullopt, EntryProblem::FromMissingPart};
  }
  const std::size_t local = file.folder == kContinuedToNext ? joined.size() - 1 : file.folder;
  if (joined.empty() || local >= joined.size()) return {};
  return {joined[local]};
}

void addPartFolders(CabinetSet& set, std::size_t part, bool continuesPrevious, std::vector<std::size_t>& joined) {
  const std::vector<ListedFolder>& folders = set.parts[part].directory.folders;
  for (std::size_t f = 0; f < folders.size(); ++f) {
    if (f == 0 && continuesPrevious) {
      set.folders.back().sources.push_back({part, 0});
    } else {
      set.folders.push_back({folders[f].compression, {{part, f}}, false});
    }
    joined.push_back(set.folders.size() - 1);
  }
}

void addPartEntries(CabinetSet& set, std::size_t part, bool continuesPrevious, const std::vector<std::size_t>& joined) {
  for (const ListedFile& file : set.parts[part].directory.files) {
    if (!isBglEntryName(file.name)) continue;
    const FolderOfFile folder = folderOfFile(file, joined, continuesPrevious);
    if (folder.listedBefore) continue;
    const std::size_t order = set.reading.bglEntries++;
    std::optional<EntryProblem> problem;
    if (!folder.folder) {
      problem = folder.problem;
    } else if (file.size > kMaxEntrySize) {
      problem = EntryProblem::TooLarge;
    } else if ((set.folders[*folder.folder].compression & kCompressionMask) > kLastKnownCompression) {
      problem = EntryProblem::UnknownCompression;
    }
    if (problem) {
      set.reading.notRead.push_back({order, file.name, *problem});
    } else {
      set.candidates.push_back({order, file.name, file.size, file.offset, *folder.folder});
    }
  }
}

void joinParts(CabinetSet& set) {
  bool continuesPrevious = false;
  for (std::size_t part = 0; part < set.parts.size(); ++part) {
    const CabinetDirectory& directory = set.parts[part].directory;
    continuesPrevious = continuesPrevious && !directory.folders.empty();
    std::vector<std::size_t> joined;
    addPartFolders(set, part, continuesPrevious, joined);
    addPartEntries(set, part, continuesPrevious, joined);
    set.reading.listCutShort = set.reading.listCutShort || directory.listCutShort;
    continuesPrevious = continuesIntoNext(directory) && !directory.folders.empty();
  }
  if (continuesPrevious && !set.folders.empty()) set.folders.back().continuesIntoMissingPart = true;
}

}  // namespace

CabinetSet openSet(const std::string& path) {
  CabinetSet set;
  PartOpening start = openPart(path);
  if (!start.part) {
    set.reading.problem = start.problem;
    set.reading.parts.push_back(path);
    return set;
  }
  set.parts.push_back(std::move(*start.part));
  addPartsBefore(set.parts, set.reading);
  addPartsAfter(set.parts, set.reading);
  for (const OpenPart& part : set.parts) set.reading.parts.push_back(part.path);
  joinParts(set);
  return set;
}

FolderData folderData(const CabinetSet& set, std::size_t folder, std::uint64_t needed) {
  FolderData data;
  bool partial = false;  // the last block waits for its rest in the next part
  for (const FolderSource& source : set.folders[folder].sources) {
    const OpenPart& part = set.parts[source.part];
    const FolderBlocks walked = walkBlocks(part.bytes, part.directory.folders[source.folder],
                                           part.directory.dataReserve, needed - data.available);
    for (const DataBlock& block : walked.blocks) {
      if (!partial) data.blocks.push_back({{}, block.checksum, 0, 0});
      JoinedBlock& joined = data.blocks.back();
      joined.pieces.push_back({source.part, block.dataOffset, block.compressedSize});
      joined.compressedSize += block.compressedSize;
      joined.uncompressedSize = block.uncompressedSize;
      if (partial) joined.checksum = 0;  // each piece was proved against its own
      partial = block.uncompressedSize == 0;
      if (joined.compressedSize > kMaxBlockBytes || data.blocks.size() > 0xFFFF) {
        data.blocks.pop_back();
        data.beyond = EntryProblem::Undecodable;
        return data;
      }
      if (partial) continue;
      data.available += block.uncompressedSize;
      if (data.available >= needed) return data;
    }
    if (walked.end != BlocksEnd::AllThere) {
      if (partial) data.blocks.pop_back();
      data.beyond = walked.end == BlocksEnd::CutShort ? EntryProblem::CutShort : EntryProblem::FailedChecksum;
      return data;
    }
  }
  if (partial) data.blocks.pop_back();
  if (set.folders[folder].continuesIntoMissingPart) data.beyond = EntryProblem::InMissingPart;
  return data;
}

}  // namespace cabinets
