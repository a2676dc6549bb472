#include "support/bgl_builder.h"

namespace testsupport {

ByteWriter& ByteWriter::at(std::size_t offset) {
  cursor_ = offset;
  if (bytes_.size() < cursor_) bytes_.resize(cursor_, 0);
  return *this;
}

ByteWriter& ByteWriter::u8(std::uint8_t value) {
  if (cursor_ < bytes_.size()) {
    bytes_[cursor_] = value;
  } else {
    at(cursor_);
    bytes_.push_back(value);
  }
  ++cursor_;
  return *this;
}

ByteWriter& ByteWriter::u16(std::uint16_t value) {
  return u8(static_cast<std::uint8_t>(value)).u8(static_cast<std::uint8_t>(value >> 8));
}

ByteWriter& ByteWriter::u32(std::uint32_t value) {
  return u16(static_cast<std::uint16_t>(value)).u16(static_cast<std::uint16_t>(value >> 16));
}

ByteWriter& ByteWriter::fill(std::size_t count, std::uint8_t value) {
  for (std::size_t i = 0; i < count; ++i) u8(value);
  return *this;
}

ByteWriter& ByteWriter::append(const Bytes& bytes) {
  for (std::uint8_t b : bytes) u8(b);
  return *this;
}

void putHeader(ByteWriter& out, const HeaderFields& fields) {
  out.at(0).fill(kHeaderSize, 0xA5);
  out.at(0x00).u16(fields.marker);
  out.at(0x76).u32(fields.magic);
  out.at(0x90).u32(fields.facilityFlag);
  out.at(0x9C).u32(fields.sectionOffset);
  out.at(kHeaderSize);
}

void putLeadIn(ByteWriter& out, std::uint32_t entryCount, std::uint32_t sectionId) {
  out.u32(sectionId).u32(0x11111111).fill(12, 0x22).u32(entryCount);
}

void putEntry(ByteWriter& out, std::uint32_t type, std::uint32_t target, std::uint32_t size, std::uint32_t id) {
  out.u32(id).u32(size);
  if (size < 8) return;
  out.u32(type).u32(target).fill(size - 8, 0xEE);
}

void putTerminator(ByteWriter& out, std::uint32_t size) { out.u32(0).u32(size); }

BlockRecord markerRecord(std::uint8_t firstByte) {
  return BlockRecord{kMarkerRecordId, Bytes{firstByte, 0, 0, 0, 0, 0, 0, 0}, std::nullopt};
}

std::size_t putLinkedBlock(ByteWriter& out, const std::vector<BlockRecord>& records,
                           std::optional<std::uint32_t> length, std::uint32_t kind) {
  const std::size_t start = out.position();
  std::size_t recordBytes = 0;
  for (const BlockRecord& record : records) recordBytes += 8 + record.content.size();
  out.u32(kind).u32(length.value_or(static_cast<std::uint32_t>(16 + recordBytes))).fill(8, 0x33);
  for (const BlockRecord& record : records) {
    out.u32(record.id).u32(record.size.value_or(static_cast<std::uint32_t>(record.content.size())));
    out.append(record.content);
  }
  out.u32(0).u32(0);  // terminator record
  return start;
}

namespace {

Bytes facilityFileAnnouncing(std::uint32_t announcedEntries) {
  ByteWriter out;
  putHeader(out);
  putLeadIn(out, announcedEntries);
  const std::size_t firstEntry = out.position();
  constexpr std::size_t kDirectorySize = 3 * 20 + 8;
  const auto blockOffset = static_cast<std::uint32_t>(firstEntry + kDirectorySize);
  putEntry(out, kLinkedBlockType, blockOffset);
  putEntry(out, kOffsetType3, blockOffset);
  putEntry(out, kOffsetType4, blockOffset);
  putTerminator(out);
  putLinkedBlock(out, {BlockRecord{kPlainRecordId, Bytes(5, 0x44), std::nullopt}, markerRecord(1)});
  return out.bytes();
}

}  // namespace

Bytes soundFacilityFile() { return facilityFileAnnouncing(3); }

Bytes faultyFacilityFile() { return facilityFileAnnouncing(4); }

Bytes sharedBlockFacilityFile(std::uint32_t entries, std::uint32_t records, std::optional<std::uint32_t> markerAt) {
  ByteWriter out;
  putHeader(out);
  putLeadIn(out, entries);
  const auto blockOffset = static_cast<std::uint32_t>(out.position() + std::size_t{entries} * 20 + 8);
  for (std::uint32_t i = 0; i < entries; ++i) putEntry(out, kLinkedBlockType, blockOffset);
  putTerminator(out);
  std::vector<BlockRecord> blockRecords(records, BlockRecord{kPlainRecordId, {}, std::nullopt});
  if (markerAt && *markerAt < records) blockRecords[*markerAt] = markerRecord(1);
  putLinkedBlock(out, blockRecords);
  return out.bytes();
}

ByteWriter facilitySectionStart(std::uint32_t announced) {
  ByteWriter out;
  putHeader(out);
  putLeadIn(out, announced);
  return out;
}

Bytes facilityFileWithBlock(const std::vector<BlockRecord>& records, std::optional<std::uint32_t> length,
                            std::uint32_t kind) {
  ByteWriter out = facilitySectionStart(1);
  const std::size_t entry = out.position();
  putEntry(out, kLinkedBlockType, 0);
  putTerminator(out);
  const std::size_t block = putLinkedBlock(out, records, length, kind);
  out.at(entry + 12).u32(static_cast<std::uint32_t>(block));
  return out.bytes();
}

namespace {

Bytes withoutLast(Bytes bytes, std::size_t count) {
  bytes.erase(bytes.end() - static_cast<std::ptrdiff_t>(count), bytes.end());
  return bytes;
}

Bytes oneEntry(std::uint32_t type, std::uint32_t target, std::uint32_t size = 12, std::uint32_t id = kEntryId,
               std::uint32_t terminatorSize = 0) {
  ByteWriter out = facilitySectionStart(1);
  putEntry(out, type, target, size, id);
  putTerminator(out, terminatorSize);
  return out.bytes();
}

}  // namespace

std::vector<Bytes> filesBreakingEachRule() {
  ByteWriter shortBlockHead = facilitySectionStart(1);
  putEntry(shortBlockHead, kLinkedBlockType, static_cast<std::uint32_t>(shortBlockHead.position() + 20 + 8));
  putTerminator(shortBlockHead);
  shortBlockHead.u32(1).u32(40);  // kind and length, not the 8 bytes after them
  ByteWriter farSection;
  putHeader(farSection, HeaderFields{.sectionOffset = 0x80000000});
  return {
      withoutLast(facilitySectionStart(0).bytes(), 1),
      withoutLast(oneEntry(kUncheckedType, 1), 4),
      oneEntry(kUncheckedType, 1, 8),
      shortBlockHead.bytes(),
      withoutLast(facilityFileWithBlock({markerRecord(1)}), 4),
      oneEntry(kUncheckedType, 1, 12, 0x00030003),
      oneEntry(kUncheckedType, 1, 4),
      oneEntry(kOffsetType3, 0),
      facilityFileWithBlock({markerRecord(1)}, std::nullopt, 2),
      facilityFileWithBlock({markerRecord(1)}, 0),
      facilityFileWithBlock({markerRecord(1)}, 48),
      facilityFileWithBlock({markerRecord(0)}),
      oneEntry(kUncheckedType, 1, 12, kEntryId, 4),
      faultyFacilityFile(),
      facilityFileWithBlock({markerRecord(1), BlockRecord{kPlainRecordId, Bytes(8, 0), 0xFFFFFFF8}}),
      farSection.bytes(),
  };
}

Bytes plainBglFile(std::size_t size) {
  ByteWriter out;
  out.fill(size, 0x5A);
  if (size >= 2) out.at(0).u16(0);
  return out.bytes();
}

}  // namespace testsupport
