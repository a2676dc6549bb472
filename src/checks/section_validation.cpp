#include "checks/section_validation.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

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

bool seekTo(FileBytes& file, std::uint64_t position) {
  if (position >= kSeekLimit) return false;
  file.seek(position);
  return true;
}

bool readPair(FileBytes& file, DwordPair& pair) {
  std::array<std::uint8_t, 8> bytes{};
  if (file.read(bytes) != bytes.size()) return false;
  pair = {readDword(&bytes[0]), readDword(&bytes[4])};
  return true;
}

// Passes `count` bytes that must all be present; zero bytes count as not
// present. They are all there when the last one is, so only that one is read.
bool readPresent(FileBytes& file, std::uint32_t count) {
  if (count == 0) return false;
  file.seek(file.position() + count - 1);
  std::array<std::uint8_t, 1> last{};
  return file.read(last) == 1;
}

// A marker record qualifies its block when the first content byte is not 0;
// a short read still counts the bytes it got.
bool markerQualifies(FileBytes& file) {
  std::array<std::uint8_t, 8> content{};
  const std::size_t got = file.read(content);
  return got > 0 && content[0] != 0;
}

// Walks the records of the block at `blockStart` whose terminator must start
// exactly `length` bytes after it, with a qualifying marker record before it:
// record by record, as the format is written down. The reference that the
// remembering walk below must agree with.
class LiteralRecordWalk {
 public:
  bool recordsAreSound(FileBytes& file, std::uint32_t blockStart, std::uint32_t length) {
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
};

// The same walk, remembering for each record position it has read where a
// walk from there ends: at which terminator, or failing, and whether it met a
// qualifying marker record on the way. That depends only on the file's bytes,
// so a walk that reaches a known position takes the rest from there: however
// many directory entries point into a block, no record head is read twice.
class RememberingRecordWalk {
 public:
  bool recordsAreSound(FileBytes& file, std::uint32_t blockStart, std::uint32_t length) {
    const WalkEnd end = walkFrom(file, blockStart + kBlockRecordsStart);
    return end.reachesTerminator && end.qualified && end.terminatorAt - blockStart == length;
  }

 private:
  struct WalkEnd {
    bool reachesTerminator = false;
    std::uint32_t terminatorAt = 0;
    bool qualified = false;
  };
  struct Step {
    std::uint32_t position;
    bool qualifies;  // the record there is a qualifying marker record
  };

  // The walk's end from `start`, where the file is positioned (right after
  // the block head).
  WalkEnd walkFrom(FileBytes& file, std::uint32_t start) {
    std::vector<Step> steps;
    WalkEnd end;
    for (std::uint32_t position = start;; ) {
      if (const auto known = ends_.find(position); known != ends_.end()) {
        end = known->second;
        break;
      }
      DwordPair head;
      const bool atHead = steps.empty() || seekTo(file, position);
      if (!atHead || !readPair(file, head)) {
        ends_[position] = end;  // failing
        break;
      }
      if (head.first == kTerminatorId) {
        end = {true, position, false};
        ends_[position] = end;
        break;
      }
      steps.push_back({position, head.first == kMarkerRecordId && markerQualifies(file)});
      const std::uint32_t next = position + kEntryHeadSize + head.second;  // wraps in 32 bits
      if (next <= position) break;  // a walk that would not move forward fails
      position = next;
    }
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
      end.qualified = end.qualified || (end.reachesTerminator && step->qualifies);
      ends_[step->position] = end;
    }
    return end;
  }

  std::unordered_map<std::uint32_t, WalkEnd> ends_;  // for the file being checked
};

template <typename RecordWalk>
bool linkedBlockIsSound(FileBytes& file, std::uint32_t blockStart, RecordWalk& walk) {
  if (!seekTo(file, blockStart)) return false;
  DwordPair head;  // kind, length
  DwordPair unexamined;
  if (!readPair(file, head) || head.first != kBlockKind) return false;
  if (!readPair(file, unexamined)) return false;
  if (head.second == 0) return false;
  return walk.recordsAreSound(file, blockStart, head.second);
}

// Checks one directory entry whose 8-byte head has been read; `afterEntry` is
// the position right after the whole entry.
template <typename RecordWalk>
bool entryIsSound(FileBytes& file, std::uint32_t entrySize, std::uint64_t afterEntry, RecordWalk& walk) {
  if (entrySize < kEntryHeadSize) return false;
  DwordPair typeAndTarget;
  if (!readPair(file, typeAndTarget)) return false;
  if (!readPresent(file, entrySize - kEntryHeadSize)) return false;
  const auto [type, target] = typeAndTarget;
  if (type == kLinkedBlockType) {
    if (target == 0 || !linkedBlockIsSound(file, target, walk)) return false;
    if (!seekTo(file, afterEntry)) return false;
  }
  return !((type == kOffsetType3 || type == kOffsetType4) && target == 0);
}

template <typename RecordWalk>
bool directoryIsSound(FileBytes& file, std::uint64_t directoryStart, std::uint32_t announced, RecordWalk& walk) {
  std::uint64_t position = directoryStart;
  std::uint32_t counted = 0;
  for (;;) {
    DwordPair head;  // identifier, size
    if (!readPair(file, head)) return false;
    if (head.first == kTerminatorId) return head.second == 0 && counted == announced;
    if (head.first != kEntryId) return false;
    ++counted;
    position += std::uint64_t{kEntryHeadSize} + head.second;
    if (!entryIsSound(file, head.second, position, walk)) return false;
  }
}

template <typename RecordWalk>
bool sectionIsSound(FileBytes& file, const FacilityHeader& header) {
  const std::uint32_t sectionStart = header.facilitySectionOffset();
  if (!seekTo(file, sectionStart)) return false;
  DwordPair idAndUnexamined;
  std::array<std::uint8_t, 16> leadInRest{};
  if (!readPair(file, idAndUnexamined)) return false;
  if (file.read(leadInRest) != leadInRest.size()) return false;
  if (idAndUnexamined.first != kSectionId) return true;
  const std::uint32_t announcedEntries = readDword(&leadInRest[12]);
  RecordWalk walk;
  return directoryIsSound(file, std::uint64_t{sectionStart} + 24, announcedEntries, walk);
}

}  // namespace

bool validateFacilitySection(FileBytes& file, const FacilityHeader& header) {
  return sectionIsSound<RememberingRecordWalk>(file, header);
}

bool validateFacilitySectionLiterally(FileBytes& file, const FacilityHeader& header) {
  return sectionIsSound<LiteralRecordWalk>(file, header);
}

}  // namespace checks
