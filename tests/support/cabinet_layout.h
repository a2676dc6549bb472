#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/bgl_builder.h"

// Cabinets laid out by hand, for what no cabinet tool writes: sets, entries
// that overlap or claim what is not there, damaged blocks. The blocks are
// stored ones made here, or a real tool's compressed ones read back.
namespace testsupport {

struct LaidBlock {
  Bytes data;  // as stored: compressed, or the bytes themselves
  std::uint16_t uncompressedSize = 0;  // 0: the next part of the set completes it
  bool checksummed = true;
  bool wrongChecksum = false;  // stored off by one bit, as damage leaves it
};

struct LaidFolder {
  std::uint16_t compression = 0;  // 0 stored, 1 MSZIP, 2 Quantum, 3 LZX
  std::vector<LaidBlock> blocks;
};

struct LaidFile {
  std::string name;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;  // in its folder's uncompressed bytes
  std::uint16_t folder = 0;  // or 0xFFFD, 0xFFFE, 0xFFFF for a file continued across parts
};

struct LaidCabinet {
  std::vector<LaidFolder> folders;
  std::vector<LaidFile> files;
  std::optional<std::string> previousPart;
  std::optional<std::string> nextPart;
  std::uint8_t dataReserve = 0;  // bytes reserved in every block header
};

// `bytes` as stored blocks of at most 32 KiB.
LaidFolder storedFolder(const Bytes& bytes);

Bytes cabinetBytes(const LaidCabinet& cabinet);

// A cabinet of one folder read back (a gcab one, say): its folder, blocks
// and files.
LaidCabinet readLaidCabinet(const Bytes& bytes);

// `whole` (one folder) as a set of two parts, cut inside the compressed
// bytes of block `block`, `at` bytes into it (0: between blocks), each file
// listed in the part or parts its bytes lie in.
std::pair<LaidCabinet, LaidCabinet> splitIntoSet(const LaidCabinet& whole, std::size_t block, std::size_t at,
                                                 const std::string& firstName, const std::string& secondName);

// A copy of the cabinet `from` at `to` whose entries' names end in ".bgl":
// the last four bytes of each name overwritten, its length kept.
void copyWithBglNames(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace testsupport
