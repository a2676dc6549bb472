#include "support/cabinet_layout.h"

#include <algorithm>
#include <stdexcept>

#include "support/temp_dir.h"

namespace testsupport {

namespace {

void put(Bytes& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t get(const Bytes& bytes, std::size_t at, int width) {
  if (at + static_cast<std::size_t>(width) > bytes.size()) throw std::runtime_error("cabinet cut short");
  std::uint32_t value = 0;
  for (int i = width; i-- > 0;) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

// The block checksum: the data's 32-bit words XORed, its last 1-3 bytes as
// one word (first byte highest), then the two size fields the same way.
std::uint32_t checksum(const Bytes& bytes, std::uint32_t sum) {
  std::size_t i = 0;
  for (; i + 4 <= bytes.size(); i += 4) sum ^= get(bytes, i, 4);
  std::uint32_t tail = 0;
  for (; i < bytes.size(); ++i) tail = tail << 8 | bytes[i];
  return sum ^ tail;
}

void putBlock(Bytes& out, const LaidBlock& block, std::uint8_t reserve) {
  Bytes sizes;
  put(sizes, block.data.size(), 2);
  put(sizes, block.uncompressedSize, 2);
  put(out, (block.checksummed ? checksum(sizes, checksum(block.data, 0)) : 0) ^ (block.wrongChecksum ? 1 : 0), 4);
  out.insert(out.end(), sizes.begin(), sizes.end());
  out.insert(out.end(), reserve, 0xA5);
  out.insert(out.end(), block.data.begin(), block.data.end());
}

void putName(Bytes& out, const std::string& name) {
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
}

}  // namespace

LaidFolder storedFolder(const Bytes& bytes) {
  LaidFolder folder;
  for (std::size_t at = 0; at < bytes.size(); at += 32768) {
    const std::size_t size = std::min<std::size_t>(32768, bytes.size() - at);
    folder.blocks.push_back({Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(at + size)),
                             static_cast<std::uint16_t>(size), true});
  }
  return folder;
}

Bytes cabinetBytes(const LaidCabinet& cabinet) {
  const bool reserve = cabinet.dataReserve != 0;
  std::uint16_t flags = (cabinet.previousPart ? 1 : 0) | (cabinet.nextPart ? 2 : 0) | (reserve ? 4 : 0);
  Bytes head = {'M', 'S', 'C', 'F'};
  put(head, 0, 4);
  const std::size_t sizeAt = head.size();
  put(head, 0, 4);  // the cabinet's size, set below
  put(head, 0, 4);
  const std::size_t filesAt = head.size();
  put(head, 0, 4);  // where the file list begins, set below
  put(head, 0, 4);
  head.push_back(3);
  head.push_back(1);
  put(head, cabinet.folders.size(), 2);
  put(head, cabinet.files.size(), 2);
  put(head, flags, 2);
  put(head, 0x1234, 2);
  put(head, cabinet.previousPart ? 1 : 0, 2);
  if (reserve) {
    put(head, 0, 2);
    head.push_back(0);
    head.push_back(cabinet.dataReserve);
  }
  for (const std::optional<std::string>& part : {cabinet.previousPart, cabinet.nextPart}) {
    if (!part) continue;
    putName(head, *part);
    putName(head, "DISK");
  }
  std::size_t listed = head.size() + 8 * cabinet.folders.size();
  for (const LaidFile& file : cabinet.files) listed += 17 + file.name.size();
  Bytes out = head;
  std::size_t blockAt = listed;
  for (const LaidFolder& folder : cabinet.folders) {
    put(out, blockAt, 4);
    put(out, folder.blocks.size(), 2);
    put(out, folder.compression, 2);
    for (const LaidBlock& block : folder.blocks) blockAt += 8 + cabinet.dataReserve + block.data.size();
  }
  const std::size_t fileList = out.size();
  for (const LaidFile& file : cabinet.files) {
    put(out, file.size, 4);
    put(out, file.offset, 4);
    put(out, file.folder, 2);
    put(out, 0x3021, 2);
    put(out, 0, 2);
    put(out, 0x20, 2);
    putName(out, file.name);
  }
  for (const LaidFolder& folder : cabinet.folders) {
    for (const LaidBlock& block : folder.blocks) putBlock(out, block, cabinet.dataReserve);
  }
  for (int i = 0; i < 4; ++i) {
    out[sizeAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(out.size() >> (8 * i));
    out[filesAt + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(fileList >> (8 * i));
  }
  return out;
}

LaidCabinet readLaidCabinet(const Bytes& bytes) {
  if (get(bytes, 30, 2) != 0) throw std::runtime_error("a cabinet without flags was expected");
  LaidCabinet cabinet;
  const std::uint32_t folders = get(bytes, 26, 2);
  for (std::uint32_t f = 0; f < folders; ++f) {
    LaidFolder folder;
    std::size_t at = get(bytes, 36 + 8 * f, 4);
    const std::uint32_t blocks = get(bytes, 36 + 8 * f + 4, 2);
    folder.compression = static_cast<std::uint16_t>(get(bytes, 36 + 8 * f + 6, 2));
    for (std::uint32_t b = 0; b < blocks; ++b) {
      const std::uint32_t size = get(bytes, at + 4, 2);
      const auto data = bytes.begin() + static_cast<std::ptrdiff_t>(at + 8);
      folder.blocks.push_back({Bytes(data, data + size), static_cast<std::uint16_t>(get(bytes, at + 6, 2)), true});
      at += 8 + size;
    }
    cabinet.folders.push_back(std::move(folder));
  }
  std::size_t at = get(bytes, 16, 4);
  for (std::uint32_t i = 0, files = get(bytes, 28, 2); i < files; ++i) {
    LaidFile file{"", get(bytes, at, 4), get(bytes, at + 4, 4), static_cast<std::uint16_t>(get(bytes, at + 8, 2))};
    at += 16;
    while (bytes.at(at) != 0) file.name.push_back(static_cast<char>(bytes[at++]));
    ++at;
    cabinet.files.push_back(std::move(file));
  }
  return cabinet;
}

std::pair<LaidCabinet, LaidCabinet> splitIntoSet(const LaidCabinet& whole, std::size_t block, std::size_t at,
                                                 const std::string& firstName, const std::string& secondName) {
  const LaidFolder& folder = whole.folders.at(0);
  LaidCabinet first;
  LaidCabinet second;
  first.nextPart = secondName;
  second.previousPart = firstName;
  LaidFolder head{folder.compression, {folder.blocks.begin(), folder.blocks.begin() + static_cast<std::ptrdiff_t>(block)}};
  LaidFolder tail{folder.compression, {folder.blocks.begin() + static_cast<std::ptrdiff_t>(block), folder.blocks.end()}};
  // The bytes that the first part's blocks decode to alone, and those that
  // its last block (when cut) decodes to once joined.
  std::uint64_t firstOnly = 0;
  for (const LaidBlock& b : head.blocks) firstOnly += b.uncompressedSize;
  std::uint64_t firstReaches = firstOnly;
  if (at > 0) {
    const LaidBlock& cut = tail.blocks.front();
    const auto split = cut.data.begin() + static_cast<std::ptrdiff_t>(at);
    head.blocks.push_back({Bytes(cut.data.begin(), split), 0, true});
    tail.blocks.front() = {Bytes(split, cut.data.end()), cut.uncompressedSize, true};
    firstReaches += cut.uncompressedSize;
  }
  first.folders.push_back(std::move(head));
  second.folders.push_back(std::move(tail));
  for (const LaidFile& file : whole.files) {
    const std::uint64_t end = std::uint64_t{file.offset} + file.size;
    const bool inFirst = file.offset < firstReaches;
    const bool inSecond = end > firstOnly;
    LaidFile listed = file;
    if (inFirst) {
      listed.folder = inSecond ? 0xFFFE : 0;
      first.files.push_back(listed);
    }
    if (inSecond) {
      listed.folder = inFirst ? 0xFFFD : 0;
      second.files.push_back(listed);
    }
  }
  return {first, second};
}

void copyWithBglNames(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::string bytes = readText(from);
  if (bytes.size() >= 30) {
    const auto u = [&](std::size_t at, int width) {
      std::uint32_t value = 0;
      for (int i = width; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
      return value;
    };
    std::size_t at = u(16, 4);
    for (std::uint32_t i = 0, files = u(28, 2); i < files && at + 16 < bytes.size(); ++i) {
      const std::size_t name = at + 16;
      const std::size_t end = bytes.find('\0', name);
      if (end == std::string::npos) break;
      if (end - name >= 4) bytes.replace(end - 4, 4, ".bgl");
      at = end + 1;
    }
  }
  writeText(to, bytes);
}

}  // namespace testsupport
