#include "checks/classification.h"

#include "checks/section_validation.h"
#include "checks/stock_tables.h"

namespace checks {

namespace {

bool checksumDiffers(const FileCheckState& state, FileBytes& file, std::uint32_t expected) {
  file.seek(0);
  return fileCrc32(file, state.crcKernel) != expected;
}

}  // namespace

void classifyFacilityFile(FileCheckState& state, FileBytes& file, std::string_view name,
                          std::string_view fullPath) {
  const bool isStock = isStockFacilityName(name);
  if (const auto expected = findStockChecksum(name)) {
    if (checksumDiffers(state, file, *expected)) {
      state.lists.checksumErrorList.prepend({std::string(fullPath), isStock});
    }
  }
  if (!validateFacilitySection(file, state.facilityHeader)) {
    state.lists.formatErrorList.prepend({std::string(fullPath), isStock});
  }
}

}  // namespace checks
