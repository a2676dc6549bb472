#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "checks/file_bytes.h"

namespace checks {

inline constexpr std::size_t kFacilityHeaderSize = 168;

// The first 168 bytes of a BGL file; the section validation takes the
// facility-section offset from it.
struct FacilityHeader {
  std::array<std::uint8_t, kFacilityHeaderSize> bytes{};

  std::uint16_t headerMarker() const;           // word at 0x00
  std::uint32_t magic() const;                  // dword at 0x76
  std::uint32_t facilityFlag() const;           // dword at 0x90
  std::uint32_t facilitySectionOffset() const;  // dword at 0x9C
};

// Reads 168 bytes from the current position: the header when they mark a
// file that carries a facility section, else nothing. Leaves the position
// after what it read.
std::optional<FacilityHeader> isFacilityFile(FileBytes& file);

}  // namespace checks
