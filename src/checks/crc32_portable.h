#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace checks {

// CRC-32/BZIP2: generator polynomial 0x04C11DB7, processed most significant
// bit first (neither input nor output reflected), register starting at
// 0xFFFFFFFF, complemented at the end. The nine ASCII digits "123456789" give
// 0xFC891918. The reflected CRC-32 of zip files is a different function and
// does not match the stock reference values.
inline constexpr std::uint32_t kCrc32Polynomial = 0x04C11DB7;
inline constexpr std::uint32_t kCrc32Initial = 0xFFFFFFFF;

using Crc32Table = std::array<std::uint32_t, 256>;

// Table for byte-at-a-time folding: entry i is i * x^32 modulo the polynomial.
constexpr Crc32Table buildCrc32Table() {
  Crc32Table table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i << 24;
    for (int bit = 0; bit < 8; ++bit) {
      c = (c & 0x80000000U) ? (c << 1) ^ kCrc32Polynomial : c << 1;
    }
    table[i] = c;
  }
  return table;
}

inline constexpr Crc32Table Crc32TableValues = buildCrc32Table();

// A CRC kernel folds `size` bytes into the register `crc` (neither the
// initial value nor the final complement applied) and returns the register.
// Every kernel gives the same values; they differ only in speed.
using Crc32Function = std::uint32_t (*)(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

struct Crc32Kernel {
  const char* name;
  Crc32Function update;
};

// Byte at a time through the 256-entry table: the reference.
std::uint32_t crc32Bytewise(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// Sixteen bytes a step through sixteen tables; runs on any processor, and
// finishes what the hardware kernels leave.
std::uint32_t crc32Slicing16(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace checks
