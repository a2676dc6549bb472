#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Reading the scenery files packed in a Microsoft cabinet (FS2002's CD 1
// holds them in FS2002.CAB), through the system's own proven decoder: the
// cabinet library of Windows, libmspack elsewhere. Which entries can be
// searched is settled by the program from the cabinet's directory, the same
// way on every system; the decoder only decodes. Nothing is ever written to
// disk: every entry comes out into memory.
namespace cabinets {

// The largest entry brought out. No facility file of FS2002 comes near it,
// and a damaged cabinet may claim any size.
inline constexpr std::uint32_t kMaxEntrySize = 64U << 20;

// Why nothing of a cabinet could be read.
enum class CabinetProblem {
  CannotOpen,   // the file could not be opened
  NotACabinet,  // it does not begin as a cabinet does
  Damaged,      // its header or folder list is damaged or cut short
};

// Why one BGL entry could not be searched.
enum class EntryProblem {
  TooLarge,            // it claims more than kMaxEntrySize bytes
  NoSuchFolder,        // its folder index names no folder of the cabinet
  UnknownCompression,  // its folder's compression is none that cabinets use
  BeyondFolder,        // it claims more bytes than its folder holds
  CutShort,            // the cabinet ends inside its data
  FailedChecksum,      // a data block before its end fails its checksum
  InMissingPart,       // it continues into a part of the set that is not there
  FromMissingPart,     // it begins in a part of the set that is not there
  Undecodable,         // the decoder could not decode its data
  NoMemory,            // the decoder had not the memory to decode it (not the cabinet's fault)
};

struct EntryNotRead {
  std::size_t order;  // among the cabinet's BGL entries, as EntryOut's
  std::string name;
  EntryProblem problem;
};

// One BGL entry brought out: its place among the cabinet's BGL entries
// (listing order), its name as stored (folders included) and its bytes.
// Entries come out in the order their bytes end in their folder, not in
// listing order; `sameBytesAsLast` tells one whose bytes are those of the
// entry handed over just before it (the same part of the same folder).
struct EntryOut {
  std::size_t order;
  const std::string& name;
  std::span<const std::uint8_t> bytes;
  bool sameBytesAsLast;
};
using EntryVisitor = std::function<void(const EntryOut& entry)>;

// What reading a cabinet found, beyond the entries handed over.
struct CabinetReading {
  std::optional<CabinetProblem> problem;  // nothing at all could be read
  // The parts read, in set order: the cabinet alone unless it is part of a
  // set, whose reading starts from the first part found beside it.
  std::vector<std::string> parts;
  std::optional<std::string> missingNextPart;      // as the last part read names it
  std::optional<std::string> missingPreviousPart;  // as the first part read names it
  bool listCutShort = false;   // a part's file list ends early: later entries are unknown
  std::size_t bglEntries = 0;  // BGL entries listed
  std::vector<EntryNotRead> notRead;  // in listing order
};

// True for an entry name ending in ".bgl", in any letter case.
bool isBglEntryName(std::string_view name);

// Hands every BGL entry (name ending in ".bgl", any case) of the cabinet at
// `path`, and of the rest of its set, to `visit`; each folder is decoded at
// most once, from its start to the end of its last BGL entry.
CabinetReading readBglEntries(const std::string& path, const EntryVisitor& visit);

}  // namespace cabinets
