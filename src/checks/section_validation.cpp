#include "checks/section_validation.h"

#include <array>
#include <cstdint>

#include "checks/byte_order.h"

namespace checks {

namespace {

constexpr std::uint32_t kSectionId = 0x00030001;
constexpr std::uint32_t kEntryId = 0x00030002;
constexpr std::uint32_t kTerminatorId = 0x00000000;
constexpr std::uint32_t kLinkedBlockType = 0x00050001;
constexpr std::uint32_t kOffsetType3 = 0x00050003;
constexpr std::uint32_t kOffsetType4 = 0x00050004;
constexpr std::uint32_t kBlockKind = 0x00000001;
constexpr std::uint32_t kMarkerRecordId = 0x00010006;
constexpr std::uint32_t kBlockRecordsStart = 16;
constexpr std::uint32_t kEntryHeadSize = 8;

// Seeks take a signed 32-bit long on some platforms: positions from 2^31 up
// cannot be reached and fail the validation instead of wrapping.
constexpr std::uint64_t kSeekLimit = 0x80000000U;

// Two consecutive dwords, the shape of every head in the section.
struct DwordPair {
  std::uint32_t first = 0;
  std::uint32_t second = 0;
};

bool seekTo(std::FILE* file, std::uint64_t position) {
  if (position >= kSeekLimit) return false;
  return std::fseek(file, static_cast<long>(position), SEEK_SET) == 0;
}

bool readPair(std::FILE* file, DwordPair& pair) {
  std::array<std::uint8_t, 8> bytes{};
  if (std::fread(bytes.data(), bytes.size(), 1, file) != 1) return false;
  pair = {readDword(&bytes[0]), readDword(&bytes[4])};
  return true;
}

// Reads `count` bytes that must all be present; zero bytes count as not read.
bool readPresent(std::FILE* file, std::uint32_t count) {
  if (count == 0) return false;
  std::array<std::uint8_t, 4096> scratch{};
  while (count > 0) {
    const std::size_t chunk = count < scratch.size() ? count : scratch.size();
    if (std::fread(scratch.data(), chunk, 1, file) != 1) return false;
    count -= static_cast<std::uint32_t>(chunk);
  }
  return true;
}

// A marker record qualifies its block when the first content byte is not 0;
// a short read still counts the bytes it got.
bool markerQualifies(std::FILE* file) {
  std::array<std::uint8_t, 8> content{};
  const std::size_t got = std::fread(content.data(), 1, content.size(), file);
  return got > 0 && content[0] != 0;
}

// Walks the records of the block at `blockStart` whose terminator must start
// exactly `length` bytes after it, with a qualifying marker record before it.
bool recordsAreSound(std::FILE* file, std::uint32_t blockStart, std::uint32_t length) {
  std::uint32_t recordStart = blockStart + kBlockRecordsStart;  // blockStart < 2^31
  bool qualified = false;
  for (bool first = true;; first = false) {
    // The first record head follows the block head directly; later ones need a seek.
    if (!first && !seekTo(file, recordStart)) return false;
    DwordPair head;
    if (!readPair(file, head)) return false;
    if (head.first == kTerminatorId) return qualified && recordStart - blockStart == length;
    if (head.first == kMarkerRecordId && markerQualifies(file)) qualified = true;
    const std::uint32_t next = recordStart + kEntryHeadSize + head.second;  // wraps in 32 bits
    // A size that wraps the walk back or in place would loop forever.
    if (next <= recordStart) return false;
    recordStart = next;
  }
}

bool linkedBlockIsSound(std::FILE* file, std::uint32_t blockStart) {
  if (!seekTo(file, blockStart)) return false;
  DwordPair head;  // kind, length
  DwordPair unexamined;
  if (!readPair(file, head) || head.first != kBlockKind) return false;
  if (!readPair(file, unexamined)) return false;
  if (head.second == 0) return false;
  return recordsAreSound(file, blockStart, head.second);
}

// Checks one directory entry whose 8-byte head has been read; `afterEntry` is
// the position right after the whole entry.
bool entryIsSound(std::FILE* file, std::uint32_t entrySize, std::uint64_t afterEntry) {
  if (entrySize < kEntryHeadSize) return false;
  DwordPair typeAndTarget;
  if (!readPair(file, typeAndTarget)) return false;
  if (!readPresent(file, entrySize - kEntryHeadSize)) return false;
  const auto [type, target] = typeAndTarget;
  if (type == kLinkedBlockType) {
    if (target == 0 || !linkedBlockIsSound(file, target)) return false;
    if (!seekTo(file, afterEntry)) return false;
  }
  return !((type == kOffsetType3 || type == kOffsetType4) && target == 0);
}

bool directoryIsSound(std::FILE* file, std::uint64_t directoryStart, std::uint32_t announced) {
  std::uint64_t position = directoryStart;
  std::uint32_t counted = 0;
  for (;;) {
    DwordPair head;  // identifier, size
    if (!readPair(file, head)) return false;
    if (head.first == kTerminatorId) return head.second == 0 && counted == announced;
    if (head.first != kEntryId) return false;
    ++counted;
    position += std::uint64_t{kEntryHeadSize} + head.second;
    if (!entryIsSound(file, head.second, position)) return false;
  }
}

}  // namespace

bool validateFacilitySection(std::FILE* file, const FacilityHeader& header) {
  const std::uint32_t sectionStart = header.facilitySectionOffset();
  if (!seekTo(file, sectionStart)) return false;
  DwordPair idAndUnexamined;
  std::array<std::uint8_t, 16> leadInRest{};
  if (!readPair(file, idAndUnexamined)) return false;
  if (std::fread(leadInRest.data(), leadInRest.size(), 1, file) != 1) return false;
  if (idAndUnexamined.first != kSectionId) return true;
  const std::uint32_t announcedEntries = readDword(&leadInRest[12]);
  return directoryIsSound(file, std::uint64_t{sectionStart} + 24, announcedEntries);
}

}  // namespace checks
