#include "checks/facility_header.h"

#include "checks/byte_order.h"

namespace checks {

namespace {
constexpr std::uint16_t kHeaderMarker = 0x0001;
constexpr std::uint32_t kMagic = 0x87654321;
constexpr std::uint32_t kFacilityFlag = 0x00000001;
}  // namespace

std::uint16_t FacilityHeader::headerMarker() const { return readWord(&bytes[0x00]); }
std::uint32_t FacilityHeader::magic() const { return readDword(&bytes[0x76]); }
std::uint32_t FacilityHeader::facilityFlag() const { return readDword(&bytes[0x90]); }
std::uint32_t FacilityHeader::facilitySectionOffset() const { return readDword(&bytes[0x9C]); }

std::optional<FacilityHeader> isFacilityFile(FileBytes& file) {
  FacilityHeader header;
  if (file.read(header.bytes) != header.bytes.size()) return std::nullopt;
  const bool facility = header.headerMarker() == kHeaderMarker && header.magic() == kMagic &&
                        header.facilityFlag() == kFacilityFlag && header.facilitySectionOffset() != 0;
  if (!facility) return std::nullopt;
  return header;
}

}  // namespace checks
