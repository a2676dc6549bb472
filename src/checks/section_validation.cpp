#include "checks/section_validation.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "checks/byte_order.h"
#include "checks/reference_validation.h"

namespace checks {

namespace {

using Fault = SectionFault;

constexpr std::uint32_t kSectionId = 0x00030001;
constexpr std::uint32_t kEntryId = 0x00030002;
constexpr std::uint32_t kTerminatorId = 0x00000000;
constexpr std::uint32_t kLinkedBlockType = 0x00050001;
constexpr std::uint32_t kOffsetType3 = 0x00050003;
constexpr std::uint32_t kOffsetType4 = 0x00050004;
constexpr std::uint32_t kBlockKind = 0x00000001;
constexpr std::uint32_t kMarkerRecordId = 0x00010006;
constexpr std::uint32_t kLeadInSize = 24;
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

SectionVerdict failure(Fault fault, std::uint64_t offset, std::uint64_t found = 0, std::uint64_t expected = 0) {
  return {fault, 0, offset, found, expected};
}

bool readPair(FileBytes& file, DwordPair& pair) {
  std::array<std::uint8_t, 8> bytes{};
  if (file.read(bytes) != bytes.size()) return false;
  pair = {readDword(&bytes[0]), readDword(&bytes[4])};
  return true;
}

// Passes `count` bytes that must all be present; zero bytes count as not
// present. They are all there when the last one is, so only that one is read.
bool passPresent(FileBytes& file, std::uint32_t count) {
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

// Reads the 16-byte head of the linked block at `blockStart` (below the seek
// limit) and gives its length.
SectionVerdict readBlockHead(FileBytes& file, std::uint32_t blockStart, std::uint32_t& length) {
  file.seek(blockStart);
  DwordPair head;  // kind, length
  DwordPair unexamined;
  if (!readPair(file, head)) return failure(Fault::ShortBlockHead, blockStart);
  if (head.first != kBlockKind) return failure(Fault::WrongBlockKind, blockStart, head.first, kBlockKind);
  if (!readPair(file, unexamined)) return failure(Fault::ShortBlockHead, blockStart);
  if (head.second == 0) return failure(Fault::BlockLengthZero, blockStart);
  length = head.second;
  return {};
}

// Where a record walk ends: at the terminator record at `at`, with or
// without a qualifying marker record met on the way; or failing (`fault`)
// at the record position `at`.
struct WalkEnd {
  Fault fault = Fault::None;
  std::uint32_t at = 0;
  bool qualified = false;
};

// One step of a walk: the record head at `position`, which the file is at.
struct RecordStep {
  Fault fault = Fault::None;  // a head that cannot be read, or a walk that would not move forward
  bool terminator = false;
  bool qualifies = false;  // a qualifying marker record
  std::uint32_t next = 0;
};

RecordStep readRecord(FileBytes& file, std::uint32_t position) {
  DwordPair head;  // identifier, size
  if (!readPair(file, head)) return {Fault::ShortRecordHead};
  if (head.first == kTerminatorId) return {Fault::None, true};
  const bool qualifies = head.first == kMarkerRecordId && markerQualifies(file);
  const std::uint32_t next = position + kEntryHeadSize + head.second;  // wraps in 32 bits
  // A size that wraps the walk back or in place would loop forever.
  if (next <= position) return {Fault::WalkNotForward};
  return {Fault::None, false, qualifies, next};
}

// The block's verdict from where its record walk ended.
SectionVerdict judgeWalk(const WalkEnd& end, std::uint32_t blockStart, std::uint32_t length) {
  if (end.fault != Fault::None) return failure(end.fault, end.at);
  if (!end.qualified) return failure(Fault::NoQualifyingMarker, blockStart);
  const std::uint32_t terminatorDistance = end.at - blockStart;
  if (terminatorDistance != length) {
    return failure(Fault::TerminatorNotAtBlockLength, end.at, terminatorDistance, length);
  }
  return {};
}

// Reads and walks every block afresh, record by record, as the format is
// written down: the reference that the remembering blocks below must agree with.
class LiteralBlocks {
 public:
  SectionVerdict blockVerdict(FileBytes& file, std::uint32_t blockStart) {
    std::uint32_t length = 0;
    if (const SectionVerdict head = readBlockHead(file, blockStart, length); !head.sound()) return head;
    return judgeWalk(walk(file, blockStart + kBlockRecordsStart), blockStart, length);
  }

 private:
  static WalkEnd walk(FileBytes& file, std::uint32_t start) {
    bool qualified = false;
    for (std::uint32_t position = start;;) {
      const RecordStep step = readRecord(file, position);
      if (step.fault != Fault::None) return {step.fault, position};
      if (step.terminator) return {Fault::None, position, qualified};
      qualified = qualified || step.qualifies;
      // The first record head follows the block head directly; later ones need a seek.
      if (step.next >= kSeekLimit) return {Fault::BeyondSeekLimit, step.next};
      position = step.next;
      file.seek(position);
    }
  }
};

// The same verdicts, remembering for each block read where it leads, and for
// each record position read where a walk from there ends. Both depend only on
// the file's bytes, so a walk that reaches a known position takes the rest
// from there: however many directory entries point into a block, no block or
// record head is read twice. Memory grows with the distinct heads read.
class RememberingBlocks {
 public:
  SectionVerdict blockVerdict(FileBytes& file, std::uint32_t blockStart) {
    if (const auto known = blocks_.find(blockStart); known != blocks_.end()) return known->second;
    std::uint32_t length = 0;
    SectionVerdict verdict = readBlockHead(file, blockStart, length);
    if (verdict.sound()) verdict = judgeWalk(walkFrom(file, blockStart + kBlockRecordsStart), blockStart, length);
    blocks_[blockStart] = verdict;
    return verdict;
  }

 private:
  struct Step {
    std::uint32_t position;
    bool qualifies;
  };

  // The walk's end from `start`, where the file is (right after the block
  // head). A position from the seek limit up can only be a walk's first, as
  // reaching it by a step fails; such a first position is not remembered, so
  // that no later walk takes its end as its own.
  WalkEnd walkFrom(FileBytes& file, std::uint32_t start) {
    std::vector<Step> steps;
    WalkEnd end;
    for (std::uint32_t position = start;;) {
      if (const auto known = ends_.find(position); known != ends_.end()) {
        end = known->second;
        break;
      }
      const RecordStep step = readRecord(file, position);
      if (step.fault != Fault::None || step.terminator) {
        end = {step.fault, position, false};
        remember(position, end);
        break;
      }
      steps.push_back({position, step.qualifies});
      if (step.next >= kSeekLimit) {
        end = {Fault::BeyondSeekLimit, step.next, false};
        break;
      }
      position = step.next;
      file.seek(position);
    }
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
      end.qualified = end.qualified || (end.fault == Fault::None && step->qualifies);
      remember(step->position, end);
    }
    return end;
  }

  void remember(std::uint32_t position, const WalkEnd& end) {
    if (position < kSeekLimit) ends_[position] = end;
  }

  std::unordered_map<std::uint32_t, SectionVerdict> blocks_;  // for the file being checked
  std::unordered_map<std::uint32_t, WalkEnd> ends_;
};

// Checks one directory entry at `entryStart` whose 8-byte head has been read.
template <typename Blocks>
SectionVerdict entryVerdict(FileBytes& file, std::uint32_t entrySize, std::uint64_t entryStart, Blocks& blocks) {
  if (entrySize < kEntryHeadSize) return failure(Fault::EntrySizeBelow8, entryStart, entrySize, kEntryHeadSize);
  DwordPair typeAndTarget;
  if (!readPair(file, typeAndTarget) || !passPresent(file, entrySize - kEntryHeadSize)) {
    return failure(Fault::ShortEntryRest, entryStart);
  }
  const auto [type, target] = typeAndTarget;
  if (type == kLinkedBlockType) {
    if (target == 0) return failure(Fault::TargetOffsetZero, entryStart);
    if (target >= kSeekLimit) return failure(Fault::BeyondSeekLimit, target);
    if (const SectionVerdict block = blocks.blockVerdict(file, target); !block.sound()) return block;
    const std::uint64_t afterEntry = entryStart + kEntryHeadSize + entrySize;
    if (afterEntry >= kSeekLimit) return failure(Fault::BeyondSeekLimit, afterEntry);
    file.seek(afterEntry);
  }
  if ((type == kOffsetType3 || type == kOffsetType4) && target == 0) {
    return failure(Fault::TargetOffsetZero, entryStart);
  }
  return {};
}

template <typename Blocks>
SectionVerdict directoryVerdict(FileBytes& file, std::uint64_t directoryStart, std::uint32_t announced) {
  Blocks blocks;
  std::uint64_t position = directoryStart;
  for (std::uint32_t counted = 0;; ++counted) {
    DwordPair head;  // identifier, size
    SectionVerdict verdict;
    if (!readPair(file, head)) {
      verdict = failure(Fault::ShortEntryHead, position);
    } else if (head.first == kTerminatorId) {
      if (head.second != 0) return failure(Fault::TerminatorSizeNotZero, position, head.second, 0);
      if (counted != announced) return failure(Fault::EntryCountNotAsAnnounced, position, counted, announced);
      return {};
    } else if (head.first != kEntryId) {
      verdict = failure(Fault::WrongEntryId, position, head.first, kEntryId);
    } else {
      verdict = entryVerdict(file, head.second, position, blocks);
    }
    if (!verdict.sound()) {
      verdict.entry = counted + 1;
      return verdict;
    }
    position += std::uint64_t{kEntryHeadSize} + head.second;
  }
}

template <typename Blocks>
SectionVerdict sectionVerdict(FileBytes& file, const FacilityHeader& header) {
  const std::uint32_t sectionStart = header.facilitySectionOffset();
  if (sectionStart >= kSeekLimit) return failure(Fault::BeyondSeekLimit, sectionStart);
  file.seek(sectionStart);
  DwordPair idAndUnexamined;
  std::array<std::uint8_t, 16> leadInRest{};
  if (!readPair(file, idAndUnexamined) || file.read(leadInRest) != leadInRest.size()) {
    return failure(Fault::ShortLeadIn, sectionStart);
  }
  if (idAndUnexamined.first != kSectionId) return {};
  const std::uint32_t announcedEntries = readDword(&leadInRest[12]);
  return directoryVerdict<Blocks>(file, std::uint64_t{sectionStart} + kLeadInSize, announcedEntries);
}

}  // namespace

SectionVerdict validateFacilitySection(FileBytes& file, const FacilityHeader& header) {
  return sectionVerdict<RememberingBlocks>(file, header);
}

SectionVerdict validateFacilitySectionLiterally(FileBytes& file, const FacilityHeader& header) {
  return sectionVerdict<LiteralBlocks>(file, header);
}

}  // namespace checks
