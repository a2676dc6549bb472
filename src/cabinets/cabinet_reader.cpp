#include "cabinets/cabinet_reader.h"

#include <algorithm>

#include "cabinets/cabinet_set.h"
#include "cabinets/entry_window.h"
#include "cabinets/presented_cabinet.h"
#include "platform/path_text.h"

namespace cabinets {

namespace {

using Entries = std::vector<const CandidateEntry*>;

std::uint64_t endOf(const CandidateEntry& entry) { return std::uint64_t{entry.offset} + entry.size; }

void notRead(CabinetReading& reading, const Entries& entries, EntryProblem problem) {
  for (const CandidateEntry* entry : entries) reading.notRead.push_back({entry->order, entry->name, problem});
}

// Empty entries need no decoding: handed over at once, the rest kept.
Entries handOverEmpty(const Entries& entries, const EntryVisitor& visit) {
  Entries rest;
  for (const CandidateEntry* entry : entries) {
    if (entry->size == 0) {
      visit(EntryOut{entry->order, entry->name, {}, false});
    } else {
      rest.push_back(entry);
    }
  }
  return rest;
}

// Decodes `entries` (of one joined folder, none empty) in one pass, from the
// start of the first to the end of the last.
void decodeEntries(const CabinetSet& set, std::size_t folder, const FolderData& data, const Entries& entries,
                   const EntryVisitor& visit, CabinetReading& reading) {
  std::uint64_t start = endOf(*entries.front());
  std::uint64_t end = 0;
  for (const CandidateEntry* entry : entries) {
    start = std::min<std::uint64_t>(start, entry->offset);
    end = std::max(end, endOf(*entry));
  }
  const PresentedCabinet cabinet(set, set.folders[folder].compression, data.blocks, static_cast<std::uint32_t>(start),
                                 static_cast<std::uint32_t>(end - start));
  EntryWindow window(entries, visit);
  const DecodeOutcome outcome = decodePresented(cabinet, window);
  if (window.failure()) std::rethrow_exception(window.failure());
  const bool noMemory = outcome == DecodeOutcome::NoMemory || window.ranOutOfMemory();
  notRead(reading, window.notHandedOver(), noMemory ? EntryProblem::NoMemory : EntryProblem::Undecodable);
}

void readFolder(const CabinetSet& set, std::size_t folder, const Entries& entries, const EntryVisitor& visit,
                CabinetReading& reading) {
  const Entries wanted = handOverEmpty(entries, visit);
  if (wanted.empty()) return;
  std::uint64_t needed = 0;
  for (const CandidateEntry* entry : wanted) needed = std::max(needed, endOf(*entry));
  const FolderData data = folderData(set, folder, needed);
  Entries there;
  Entries beyond;
  for (const CandidateEntry* entry : wanted) (endOf(*entry) <= data.available ? there : beyond).push_back(entry);
  notRead(reading, beyond, data.beyond);
  if (!there.empty()) decodeEntries(set, folder, data, there, visit, reading);
}

}  // namespace

bool isBglEntryName(std::string_view name) { return platform::hasExtension(name, ".bgl"); }

CabinetReading readBglEntries(const std::string& path, const EntryVisitor& visit) {
  CabinetSet set = openSet(path);
  std::vector<Entries> byFolder(set.folders.size());
  for (const CandidateEntry& entry : set.candidates) byFolder[entry.folder].push_back(&entry);
  for (std::size_t folder = 0; folder < byFolder.size(); ++folder) {
    readFolder(set, folder, byFolder[folder], visit, set.reading);
  }
  std::sort(set.reading.notRead.begin(), set.reading.notRead.end(),
            [](const EntryNotRead& a, const EntryNotRead& b) { return a.order < b.order; });
  return std::move(set.reading);
}

}  // namespace cabinets
