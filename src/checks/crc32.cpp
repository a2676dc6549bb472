#include "checks/crc32.h"

namespace checks {

std::uint32_t crc32Update(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) {
    crc = (crc << 8) ^ Crc32TableValues[((crc >> 24) ^ b) & 0xFFU];
  }
  return crc;
}

std::uint32_t fileCrc32(std::FILE* file, std::span<std::uint8_t> buffer) {
  std::uint32_t crc = kCrc32Initial;
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
    if (got == 0) break;
    crc = crc32Update(crc, buffer.first(got));
  }
  return crc ^ 0xFFFFFFFFU;
}

}  // namespace checks
