#pragma once

#include <cstdint>

namespace checks {

// Little-endian word at `bytes`.
constexpr std::uint16_t readWord(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

// Little-endian dword at `bytes`.
constexpr std::uint32_t readDword(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

}  // namespace checks
