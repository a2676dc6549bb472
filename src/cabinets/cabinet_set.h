#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cabinets/cabinet_directory.h"
#include "cabinets/cabinet_reader.h"

// A cabinet and the rest of its set, joined as one cabinet: a folder that a
// set continues from one part into the next is one folder here, its blocks
// gathered from every part it lies in. Built from the directories alone.
namespace cabinets {

struct OpenPart {
  std::string path;
  PartBytes bytes;  // holds the part open
  CabinetDirectory directory;
};

// Where a joined folder lies: a folder of one part, in set order.
struct FolderSource {
  std::size_t part = 0;
  std::size_t folder = 0;
};

struct JoinedFolder {
  std::uint16_t compression = 0;
  std::vector<FolderSource> sources;
  bool continuesIntoMissingPart = false;  // the last part read continues it, and the next is not there
};

// A BGL entry of the set that its directory lets the search have.
struct CandidateEntry {
  std::size_t order = 0;  // among the set's BGL entries, in listing order
  std::string name;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;  // in its joined folder
  std::size_t folder = 0;    // a joined folder
};

struct CabinetSet {
  std::vector<OpenPart> parts;
  std::vector<JoinedFolder> folders;
  std::vector<CandidateEntry> candidates;
  CabinetReading reading;  // the parts, missing ones, and the entries the directory rules out
};

// The cabinet at `path` with its set: parts found beside it in any letter
// case, back to the first and on to the last.
CabinetSet openSet(const std::string& path);

// A data block of a joined folder: its compressed bytes in one piece or
// (split across parts) several.
struct BlockPiece {
  std::size_t part = 0;
  std::uint64_t offset = 0;
  std::uint16_t size = 0;
};
struct JoinedBlock {
  std::vector<BlockPiece> pieces;
  std::uint32_t checksum = 0;  // the stored one for a block in one piece; 0 (none) for a joined one
  std::uint32_t compressedSize = 0;
  std::uint16_t uncompressedSize = 0;
};

// The sound blocks of a joined folder from its start until they hold
// `needed` bytes, and why bytes beyond `available` cannot be had.
struct FolderData {
  std::vector<JoinedBlock> blocks;
  std::uint64_t available = 0;
  EntryProblem beyond = EntryProblem::BeyondFolder;
};
FolderData folderData(const CabinetSet& set, std::size_t folder, std::uint64_t needed);

}  // namespace cabinets
