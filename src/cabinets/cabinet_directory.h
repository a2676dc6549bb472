#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A cabinet's directory as the program reads it itself: the header, the
// folders and the file list, and the data blocks of a folder with their
// checksums. None of this decodes anything: which entries can be searched,
// and why the others cannot, is settled here the same way on every system,
// before a decoder is given a byte.
namespace cabinets {

// The bytes of one cabinet file: up to `into.size()` of them copied from
// `position`, fewer only at its end or when it cannot be read.
struct PartBytes {
  std::uint64_t size = 0;
  std::function<std::size_t(std::uint64_t position, std::span<std::uint8_t> into)> readAt;
};

// The folder index of a file that lies (partly) in another part of a set.
inline constexpr std::uint16_t kContinuedFromPrevious = 0xFFFD;
inline constexpr std::uint16_t kContinuedToNext = 0xFFFE;
inline constexpr std::uint16_t kContinuedBothWays = 0xFFFF;

// The kinds of compression a folder's type names (its low four bits).
inline constexpr std::uint16_t kCompressionMask = 0x000F;
inline constexpr std::uint16_t kLastKnownCompression = 3;  // none, MSZIP, Quantum, LZX

struct ListedFolder {
  std::uint32_t firstBlock = 0;  // the offset of its first data block in the part
  std::uint16_t blockCount = 0;
  std::uint16_t compression = 0;  // as stored: kind and window
};

struct ListedFile {
  std::string name;  // as stored, folders included
  std::uint32_t size = 0;
  std::uint32_t offset = 0;  // in its folder's uncompressed bytes
  std::uint16_t folder = 0;
};

struct CabinetDirectory {
  std::uint8_t dataReserve = 0;  // bytes reserved in each data block's header
  std::optional<std::string> previousPart;  // the part before, when this one continues a set
  std::optional<std::string> nextPart;      // the part after, when the set goes on
  std::vector<ListedFolder> folders;
  std::vector<ListedFile> files;
  bool listCutShort = false;  // the file list ends before the count the header gives
};

// Why there is no directory: the file is not a cabinet, or its header or
// folder list is damaged (cut short).
enum class DirectoryProblem { NotACabinet, Damaged };

struct DirectoryReading {
  std::optional<CabinetDirectory> directory;
  DirectoryProblem problem = DirectoryProblem::Damaged;  // when there is none
};

DirectoryReading readDirectory(const PartBytes& part);

// One data block of a folder in one part: where its compressed bytes lie,
// and how many bytes they decode to (0 for a block that the next part of
// its set completes).
struct DataBlock {
  std::uint64_t dataOffset = 0;
  std::uint16_t compressedSize = 0;
  std::uint16_t uncompressedSize = 0;
  std::uint32_t checksum = 0;  // as stored; 0 for none
};

// How a walk of a folder's blocks ended.
enum class BlocksEnd {
  AllThere,        // every block the folder counts
  CutShort,        // the file ends inside a block, or before the count
  FailedChecksum,  // a block's bytes do not give its checksum
};

struct FolderBlocks {
  std::vector<DataBlock> blocks;  // the sound ones, in order
  BlocksEnd end = BlocksEnd::AllThere;
};

// The blocks of `folder`, each proved against its checksum, up to the first
// that fails or is cut short, or the first that brings what they decode to
// up to `enough` bytes.
FolderBlocks walkBlocks(const PartBytes& part, const ListedFolder& folder, std::uint8_t dataReserve,
                        std::uint64_t enough);

// The cabinet checksum of `bytes` continued from `seed`.
std::uint32_t cabinetChecksum(std::span<const std::uint8_t> bytes, std::uint32_t seed);

}  // namespace cabinets
