#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Reading the scenery files packed in a Microsoft cabinet (FS2002's CD 1
// holds them in FS2002.CAB), through the system's own proven decoder: the
// cabinet library of Windows, libmspack elsewhere. Nothing is ever written
// to disk: every entry comes out into memory.
namespace cabinets {

// The largest entry brought out; a larger one is passed over. No facility
// file of FS2002 comes near it, and a damaged cabinet may claim any size.
inline constexpr std::uint32_t kMaxEntrySize = 64U << 20;

// Why a cabinet could not be read to its end.
enum class CabinetProblem {
  CannotOpen,   // the file could not be opened
  NotACabinet,  // it does not begin as a cabinet does
  Damaged,      // damaged or cut short: the entries before the damage came out
};

// Receives one entry: its name in the cabinet (folders included, as stored)
// and its bytes.
using EntryVisitor = std::function<void(const std::string& name, std::span<const std::uint8_t> bytes)>;

// True for an entry name ending in ".bgl", in any letter case.
bool isBglEntryName(std::string_view name);

// Hands every entry of the cabinet at `path` whose name ends in ".bgl" (any
// case) and that is no larger than kMaxEntrySize to `visit`, in the
// cabinet's order. Answers what stopped the reading, or nothing when every
// entry came out.
std::optional<CabinetProblem> readBglEntries(const std::string& path, const EntryVisitor& visit);

}  // namespace cabinets
