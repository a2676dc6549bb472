#include "checks/classification.h"

#include "checks/stock_tables.h"

namespace checks {

FileVerdict classifyFacilityFile(FileCheckState& state, FileBytes& file, std::string_view name,
                                 std::string_view fullPath) {
  FileVerdict verdict;
  verdict.isStock = isStockFacilityName(name);
  if (const auto expected = findStockChecksum(name)) {
    file.seek(0);
    verdict.checksum = ChecksumComparison{fileCrc32(file, state.crcKernel), *expected};
    if (!verdict.checksum->matches()) {
      state.lists.checksumErrorList.prepend({std::string(fullPath), verdict.isStock, *verdict.checksum});
    }
  }
  verdict.section = validateFacilitySection(file, state.facilityHeader);
  if (!verdict.section.sound()) {
    state.lists.formatErrorList.prepend({std::string(fullPath), verdict.isStock, verdict.section});
  }
  return verdict;
}

}  // namespace checks
