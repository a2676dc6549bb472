#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace checks {

// A stock file that holds no airports and never changes after installation,
// with the CRC-32 of the file as shipped.
struct StockChecksum {
  std::string_view name;
  std::uint32_t crc;
};

inline constexpr std::size_t kStockFacilityNameCount = 305;
inline constexpr std::size_t kStockChecksumCount = 203;

// Every facility file name that FS2002 ships, lower case.
extern const std::array<std::string_view, kStockFacilityNameCount> StockFacilityNames;

// Reference CRC-32 values of the stock files that must never change, by name.
extern const std::array<StockChecksum, kStockChecksumCount> StockChecksums;

// True when `name` is one of the facility file names that FS2002 ships, in
// any letter case.
bool isStockFacilityName(std::string_view name);

// The reference CRC-32 of the stock file named `name` (any letter case), if
// it has one.
std::optional<std::uint32_t> findStockChecksum(std::string_view name);

}  // namespace checks
