#include "cabinets/cabinet_directory.h"

#include <array>
#include <cstring>

#include "checks/byte_order.h"

namespace cabinets {

namespace {

constexpr std::uint16_t kHasPreviousPart = 0x0001;
constexpr std::uint16_t kHasNextPart = 0x0002;
constexpr std::uint16_t kHasReserve = 0x0004;
// A stored name, terminator included, is at most this long.
constexpr std::size_t kMaxStoredName = 256;

// Reads a part front to back in little-endian fields; once a read falls
// short, every later one gives zero and `cutShort` stays set.
class FieldReader {
 public:
  FieldReader(const PartBytes& part, std::uint64_t position) : part_(part), position_(position) {}

  bool bytes(std::span<std::uint8_t> into) {
    if (cutShort_) return false;
    const std::size_t got = part_.readAt(position_, into);
    position_ += got;
    if (got < into.size()) cutShort_ = true;
    return !cutShort_;
  }
  std::uint8_t u8() { return static_cast<std::uint8_t>(little(1)); }
  std::uint16_t u16() { return static_cast<std::uint16_t>(little(2)); }
  std::uint32_t u32() { return little(4); }
  void skip(std::uint64_t count) {
    position_ += count;
    if (position_ > part_.size) cutShort_ = true;
  }
  // A name up to its terminator; nothing when there is none in reach.
  std::optional<std::string> name() {
    std::array<std::uint8_t, kMaxStoredName> buffer{};
    if (cutShort_) return std::nullopt;
    const std::size_t got = part_.readAt(position_, buffer);
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(buffer.data(), 0, got));
    if (end == nullptr) {
      cutShort_ = true;
      return std::nullopt;
    }
    const auto length = static_cast<std::size_t>(end - buffer.data());
    position_ += length + 1;
    return std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
  }
  bool cutShort() const { return cutShort_; }

 private:
  std::uint32_t little(std::size_t width) {
    std::array<std::uint8_t, 4> field{};
    if (!bytes(std::span(field).first(width))) return 0;
    return width == 1 ? field[0] : width == 2 ? checks::readWord(field.data()) : checks::readDword(field.data());
  }

  const PartBytes& part_;
  std::uint64_t position_;
  bool cutShort_ = false;
};

struct Header {
  std::uint32_t filesAt = 0;
  std::uint16_t folderCount = 0;
  std::uint16_t fileCount = 0;
  std::uint8_t folderReserve = 0;
};

std::optional<Header> readHeader(FieldReader& reader, CabinetDirectory& directory) {
  Header header;
  reader.skip(16);  // signature, reserved, cabinet size, reserved
  header.filesAt = reader.u32();
  reader.skip(6);  // reserved, version
  header.folderCount = reader.u16();
  header.fileCount = reader.u16();
  const std::uint16_t flags = reader.u16();
  reader.skip(4);  // set identity, index in the set
  if ((flags & kHasReserve) != 0) {
    const std::uint16_t headerReserve = reader.u16();
    header.folderReserve = reader.u8();
    directory.dataReserve = reader.u8();
    reader.skip(headerReserve);
  }
  if ((flags & kHasPreviousPart) != 0) {
    directory.previousPart = reader.name();
    reader.name();  // the disk's label
  }
  if ((flags & kHasNextPart) != 0) {
    directory.nextPart = reader.name();
    reader.name();
  }
  if (reader.cutShort()) return std::nullopt;
  return header;
}

bool readFolders(FieldReader& reader, const Header& header, CabinetDirectory& directory) {
  directory.folders.reserve(header.folderCount);
  for (std::uint16_t i = 0; i < header.folderCount; ++i) {
    ListedFolder folder;
    folder.firstBlock = reader.u32();
    folder.blockCount = reader.u16();
    folder.compression = reader.u16();
    reader.skip(header.folderReserve);
    if (reader.cutShort()) return false;
    directory.folders.push_back(folder);
  }
  return true;
}

void readFiles(const PartBytes& part, const Header& header, CabinetDirectory& directory) {
  FieldReader reader(part, header.filesAt);
  for (std::uint16_t i = 0; i < header.fileCount; ++i) {
    ListedFile file;
    file.size = reader.u32();
    file.offset = reader.u32();
    file.folder = reader.u16();
    reader.skip(6);  // date, time, attributes
    std::optional<std::string> name = reader.name();
    if (!name) {
      directory.listCutShort = true;
      return;
    }
    file.name = std::move(*name);
    directory.files.push_back(std::move(file));
  }
}

}  // namespace

DirectoryReading readDirectory(const PartBytes& part) {
  std::array<std::uint8_t, 4> signature{};
  if (part.readAt(0, signature) != signature.size() || std::memcmp(signature.data(), "MSCF", 4) != 0) {
    return {std::nullopt, DirectoryProblem::NotACabinet};
  }
  CabinetDirectory directory;
  FieldReader reader(part, 0);
  const std::optional<Header> header = readHeader(reader, directory);
  if (!header || !readFolders(reader, *header, directory)) return {std::nullopt, DirectoryProblem::Damaged};
  readFiles(part, *header, directory);
  return {std::move(directory), DirectoryProblem::Damaged};
}

std::uint32_t cabinetChecksum(std::span<const std::uint8_t> bytes, std::uint32_t seed) {
  std::uint32_t sum = seed;
  std::size_t i = 0;
  for (; i + 4 <= bytes.size(); i += 4) sum ^= checks::readDword(bytes.data() + i);
  // The last one to three bytes, the first of them the highest.
  std::uint32_t tail = 0;
  for (; i < bytes.size(); ++i) tail = tail << 8 | bytes[i];
  return sum ^ tail;
}

FolderBlocks walkBlocks(const PartBytes& part, const ListedFolder& folder, std::uint8_t dataReserve,
                        std::uint64_t enough) {
  FolderBlocks walked;
  std::uint64_t decoded = 0;
  std::vector<std::uint8_t> data;
  std::uint64_t position = folder.firstBlock;
  for (std::uint16_t i = 0; i < folder.blockCount; ++i) {
    FieldReader reader(part, position);
    DataBlock block;
    block.checksum = reader.u32();
    std::array<std::uint8_t, 4> sizes{};
    reader.bytes(sizes);
    block.compressedSize = checks::readWord(sizes.data());
    block.uncompressedSize = checks::readWord(sizes.data() + 2);
    block.dataOffset = position + 8 + dataReserve;
    data.resize(block.compressedSize);
    if (reader.cutShort() || part.readAt(block.dataOffset, data) != data.size()) {
      walked.end = BlocksEnd::CutShort;
      return walked;
    }
    if (block.checksum != 0 && cabinetChecksum(sizes, cabinetChecksum(data, 0)) != block.checksum) {
      walked.end = BlocksEnd::FailedChecksum;
      return walked;
    }
    walked.blocks.push_back(block);
    decoded += block.uncompressedSize;
    if (decoded >= enough && block.uncompressedSize != 0) return walked;
    position = block.dataOffset + block.compressedSize;
  }
  return walked;
}

}  // namespace cabinets
