#include "checks/crc32_portable.h"

namespace checks {

namespace {

using SliceTables = std::array<Crc32Table, 16>;

// Table k advances a byte by k further bytes: T[k][b] = T[k-1][b] * x^8 mod P.
constexpr SliceTables buildSliceTables() {
  SliceTables tables{};
  tables[0] = Crc32TableValues;
  for (std::size_t k = 1; k < tables.size(); ++k) {
    for (std::size_t b = 0; b < 256; ++b) {
      const std::uint32_t previous = tables[k - 1][b];
      tables[k][b] = (previous << 8) ^ Crc32TableValues[previous >> 24];
    }
  }
  return tables;
}

constexpr SliceTables kSliceTables = buildSliceTables();

std::uint32_t loadBigEndian(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
         std::uint32_t{bytes[3]};
}

std::uint32_t byteOf(std::uint32_t word, int shift) { return (word >> shift) & 0xFFU; }

// The first word carries the register; each byte goes through the table that
// advances it past the bytes after it in the step.
std::uint32_t sliceStep(std::uint32_t crc, const std::uint8_t* p) {
  const auto& t = kSliceTables;
  const std::uint32_t w0 = loadBigEndian(p) ^ crc;
  const std::uint32_t w1 = loadBigEndian(p + 4);
  const std::uint32_t w2 = loadBigEndian(p + 8);
  const std::uint32_t w3 = loadBigEndian(p + 12);
  return t[15][byteOf(w0, 24)] ^ t[14][byteOf(w0, 16)] ^ t[13][byteOf(w0, 8)] ^ t[12][byteOf(w0, 0)] ^
         t[11][byteOf(w1, 24)] ^ t[10][byteOf(w1, 16)] ^ t[9][byteOf(w1, 8)] ^ t[8][byteOf(w1, 0)] ^
         t[7][byteOf(w2, 24)] ^ t[6][byteOf(w2, 16)] ^ t[5][byteOf(w2, 8)] ^ t[4][byteOf(w2, 0)] ^
         t[3][byteOf(w3, 24)] ^ t[2][byteOf(w3, 16)] ^ t[1][byteOf(w3, 8)] ^ t[0][byteOf(w3, 0)];
}

}  // namespace

std::uint32_t crc32Bytewise(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    crc = (crc << 8) ^ Crc32TableValues[(crc >> 24) ^ data[i]];
  }
  return crc;
}

std::uint32_t crc32Slicing16(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  for (; size >= 16; data += 16, size -= 16) crc = sliceStep(crc, data);
  return crc32Bytewise(crc, data, size);
}

}  // namespace checks
