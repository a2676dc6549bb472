#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Builders of synthetic BGL files: header, facility-section lead-in,
// directory entries and linked blocks with their records, each placed where
// the test wants it.
namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kSectionId = 0x00030001;
inline constexpr std::uint32_t kEntryId = 0x00030002;
inline constexpr std::uint32_t kLinkedBlockType = 0x00050001;
inline constexpr std::uint32_t kOffsetType3 = 0x00050003;
inline constexpr std::uint32_t kOffsetType4 = 0x00050004;
inline constexpr std::uint32_t kUncheckedType = 0x00050009;
inline constexpr std::uint32_t kMarkerRecordId = 0x00010006;
inline constexpr std::uint32_t kPlainRecordId = 0x00010002;
inline constexpr std::size_t kHeaderSize = 168;

// Little-endian writer with a cursor; writing beyond the end grows the bytes
// with zeros in between.
class ByteWriter {
 public:
  ByteWriter& at(std::size_t offset);
  ByteWriter& u8(std::uint8_t value);
  ByteWriter& u16(std::uint16_t value);
  ByteWriter& u32(std::uint32_t value);
  ByteWriter& fill(std::size_t count, std::uint8_t value);
  ByteWriter& append(const Bytes& bytes);
  std::size_t position() const { return cursor_; }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::size_t cursor_ = 0;
};

// The four header fields the header test looks at, sound by default.
struct HeaderFields {
  std::uint16_t marker = 0x0001;
  std::uint32_t magic = 0x87654321;
  std::uint32_t facilityFlag = 1;
  std::uint32_t sectionOffset = kHeaderSize;
};

// Writes a 168-byte header at offset 0; every other header byte is 0xA5.
void putHeader(ByteWriter& out, const HeaderFields& fields = {});

// Writes the 24-byte lead-in at the cursor.
void putLeadIn(ByteWriter& out, std::uint32_t entryCount, std::uint32_t sectionId = kSectionId);

// Writes a directory entry at the cursor: head (identifier, size), type,
// target, then size - 8 further bytes. A size below 8 writes the head only.
void putEntry(ByteWriter& out, std::uint32_t type, std::uint32_t target, std::uint32_t size = 12,
              std::uint32_t id = kEntryId);

// Writes the directory terminator (identifier 0) at the cursor.
void putTerminator(ByteWriter& out, std::uint32_t size = 0);

// One record of a linked block; `size` overrides the real content length.
struct BlockRecord {
  std::uint32_t id = kPlainRecordId;
  Bytes content;
  std::optional<std::uint32_t> size;
};

// A record whose first content byte is `firstByte`.
BlockRecord markerRecord(std::uint8_t firstByte = 1);

// Writes a linked block at the cursor: kind, length, 8 unexamined bytes, the
// records and a terminator record. The length is the distance to the
// terminator unless `length` overrides it. Returns the block's offset.
std::size_t putLinkedBlock(ByteWriter& out, const std::vector<BlockRecord>& records,
                           std::optional<std::uint32_t> length = std::nullopt, std::uint32_t kind = 1);

// A header and a lead-in announcing `announced` entries at offset 168, the
// cursor where the directory starts.
ByteWriter facilitySectionStart(std::uint32_t announced);

// A facility file of one linked-block entry and the terminator, then the
// block of `records` (its length and kind as putLinkedBlock takes them).
Bytes facilityFileWithBlock(const std::vector<BlockRecord>& records, std::optional<std::uint32_t> length = std::nullopt,
                            std::uint32_t kind = 1);

// A complete facility file that every check passes: a directory of a linked
// block entry (one marker record), a 0x00050003 and a 0x00050004 entry.
Bytes soundFacilityFile();

// A facility file whose directory announces one entry more than it holds.
Bytes faultyFacilityFile();

// A facility file whose `entries` directory entries all point at one linked
// block of `records` empty records, the one at `markerAt` a marker record:
// sound with a marker, a format error without. The shape that makes a walk of
// the block per entry cost entries times records.
Bytes sharedBlockFacilityFile(std::uint32_t entries, std::uint32_t records,
                              std::optional<std::uint32_t> markerAt = 0);

// Facility files that each break one rule of the section validation, in the
// order of its rules: the lead-in, an entry head, an entry's rest and a block
// head cut short, a record head cut short, a wrong entry identifier, an
// entry size below 8, target offset 0, a wrong block kind, block length 0,
// the terminator not at the block's length, no qualifying marker, a
// directory terminator with a size, the entry count, a record size that
// walks back, a section offset from 2 GiB on.
std::vector<Bytes> filesBreakingEachRule();

// A file of `size` bytes that is no facility file (its header marker is 0).
Bytes plainBglFile(std::size_t size);

}  // namespace testsupport
