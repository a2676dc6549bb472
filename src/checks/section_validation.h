#pragma once

#include <cstdint>

#include "checks/facility_header.h"
#include "checks/file_bytes.h"

namespace checks {

// The rules of a sound facility section, each named by what breaks it.
enum class SectionFault : std::uint8_t {
  None,                        // the section is sound
  ShortLeadIn,                 // the 24-byte lead-in cannot be read whole
  ShortEntryHead,              // nor a directory entry's 8-byte head
  ShortEntryRest,              // nor an entry's type, target and the rest its size announces
  ShortBlockHead,              // nor a linked block's 16-byte head
  ShortRecordHead,             // nor a block record's 8-byte head
  WrongEntryId,                // found, expected: an entry's identifier
  EntrySizeBelow8,             // found, expected: an entry's size and the least it may be
  TargetOffsetZero,            // an entry that must point somewhere points at offset 0
  WrongBlockKind,              // found, expected: a linked block's kind
  BlockLengthZero,             // a linked block announces length 0
  TerminatorNotAtBlockLength,  // found, expected: where the terminator record starts, the block's length
  NoQualifyingMarker,          // no marker record with content before the block's terminator
  TerminatorSizeNotZero,       // found, expected: the directory terminator's size
  EntryCountNotAsAnnounced,    // found, expected: entries counted, entries announced
  WalkNotForward,              // a record size that would move the walk back or not at all
  BeyondSeekLimit,             // a position from 2^31 up, which a seek cannot reach
};

// The validation's verdict: the rule that failed, the directory entry being
// checked (from 1; 0 for the lead-in), the file offset of the head it read
// (for BeyondSeekLimit, the position it would have sought) and, for the rules
// that compare two numbers, those numbers.
struct SectionVerdict {
  SectionFault fault = SectionFault::None;
  std::uint32_t entry = 0;
  std::uint64_t offset = 0;
  std::uint64_t found = 0;
  std::uint64_t expected = 0;

  bool sound() const { return fault == SectionFault::None; }
  bool operator==(const SectionVerdict&) const = default;
};

// Judges whether the facility section that `header` points to is structurally
// sound: its directory, the entry count, and every linked block the directory
// points to. Reads through absolute seeks, so the position on entry does not
// matter; leaves it undefined. Section kinds other than the airport
// facility directory count as sound. Time and memory grow with the file's
// size, not with how many entries point into one block.
SectionVerdict validateFacilitySection(FileBytes& file, const FacilityHeader& header);

}  // namespace checks
