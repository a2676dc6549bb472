#include "cabinets/presented_cabinet.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace cabinets {

namespace {

constexpr std::uint32_t kHeaderSize = 36;
constexpr std::uint32_t kFolderSize = 8;
constexpr char kStretchName[] = "stretch.bgl";  // with its terminator, as stored
constexpr std::uint32_t kFileSize = 16 + sizeof(kStretchName);
constexpr std::uint32_t kDirectorySize = kHeaderSize + kFolderSize + kFileSize;
constexpr std::uint32_t kBlockHeaderSize = 8;

void putLittle(std::vector<std::uint8_t>& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> directory(std::uint64_t cabinetSize, std::uint16_t compression, std::size_t blockCount,
                                    std::uint32_t stretchStart, std::uint32_t stretchSize) {
  std::vector<std::uint8_t> out = {'M', 'S', 'C', 'F'};
  putLittle(out, 0, 4);
  putLittle(out, cabinetSize, 4);
  putLittle(out, 0, 4);
  putLittle(out, kHeaderSize + kFolderSize, 4);  // the file list
  putLittle(out, 0, 4);
  out.push_back(3);  // format version 1.3
  out.push_back(1);
  putLittle(out, 1, 2);  // one folder, one file, no flags, no set
  putLittle(out, 1, 2);
  putLittle(out, 0, 6);
  putLittle(out, kDirectorySize, 4);  // the folder: its first block
  putLittle(out, blockCount, 2);
  putLittle(out, compression, 2);
  putLittle(out, stretchSize, 4);  // the file
  putLittle(out, stretchStart, 4);
  putLittle(out, 0, 2);       // its folder
  putLittle(out, 0x0021, 2);  // 1 January 1980, midnight
  putLittle(out, 0, 2);
  putLittle(out, 0x20, 2);    // archive
  out.insert(out.end(), std::begin(kStretchName), std::end(kStretchName));
  return out;
}

std::vector<std::uint8_t> blockHeader(const JoinedBlock& block) {
  std::vector<std::uint8_t> out;
  putLittle(out, block.checksum, 4);
  putLittle(out, block.compressedSize, 2);
  putLittle(out, block.uncompressedSize, 2);
  return out;
}

}  // namespace

PresentedCabinet::PresentedCabinet(const CabinetSet& set, std::uint16_t compression,
                                   const std::vector<JoinedBlock>& blocks, std::uint32_t stretchStart,
                                   std::uint32_t stretchSize)
    : set_(set) {
  const std::uint64_t total =
      std::accumulate(blocks.begin(), blocks.end(), std::uint64_t{kDirectorySize}, [](std::uint64_t sum, const JoinedBlock& block) {
        return sum + kBlockHeaderSize + block.compressedSize;
      });
  addMade(directory(total, compression, blocks.size(), stretchStart, stretchSize));
  for (const JoinedBlock& block : blocks) {
    addMade(blockHeader(block));
    for (const BlockPiece& piece : block.pieces) addFromPart(piece.part, piece.offset, piece.size);
  }
}

void PresentedCabinet::addMade(const std::vector<std::uint8_t>& bytes) {
  segments_.push_back({size_, bytes.size(), std::nullopt, made_.size()});
  made_.insert(made_.end(), bytes.begin(), bytes.end());
  size_ += bytes.size();
}

void PresentedCabinet::addFromPart(std::size_t part, std::uint64_t offset, std::uint64_t size) {
  segments_.push_back({size_, size, part, offset});
  size_ += size;
}

std::size_t PresentedCabinet::readAt(std::uint64_t position, std::span<std::uint8_t> into) const {
  auto segment = std::upper_bound(segments_.begin(), segments_.end(), position,
                                  [](std::uint64_t at, const Segment& s) { return at < s.start; });
  std::size_t got = 0;
  while (got < into.size() && segment != segments_.begin() && position < size_) {
    const Segment& s = *std::prev(segment);
    const std::uint64_t within = position - s.start;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(into.size() - got, s.size - within));
    const std::span<std::uint8_t> out = into.subspan(got, count);
    if (s.part) {
      if (set_.parts[*s.part].bytes.readAt(s.from + within, out) != count) return got;
    } else {
      std::memcpy(out.data(), made_.data() + s.from + within, count);
    }
    got += count;
    position += count;
    if (segment != segments_.end()) ++segment;
  }
  return got;
}

std::size_t PresentedFile::read(std::span<std::uint8_t> into) {
  const std::size_t got = cabinet_.readAt(position_, into);
  position_ += got;
  return got;
}

bool PresentedFile::seek(std::int64_t offset, From from) {
  const std::uint64_t base = from == From::Start ? 0 : from == From::Current ? position_ : cabinet_.size();
  if (offset >= 0) {
    position_ = base + static_cast<std::uint64_t>(offset);
    return true;
  }
  // -(offset + 1) cannot overflow, whatever the offset.
  const std::uint64_t back = static_cast<std::uint64_t>(-(offset + 1)) + 1;
  if (back > base) return false;
  position_ = base - back;
  return true;
}

}  // namespace cabinets
