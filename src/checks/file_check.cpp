#include "checks/file_check.h"

#include "checks/facility_header.h"
#include "checks/stock_tables.h"

namespace checks {

FileVerdict checkFile(FileBytes& file, std::string_view name, Crc32Function crcKernel) {
  FileVerdict verdict;
  verdict.isStock = isStockFacilityName(name);
  file.seek(0);
  const std::optional<FacilityHeader> header = isFacilityFile(file);
  if (!header) return verdict;
  verdict.facility = true;
  if (const auto expected = findStockChecksum(name)) {
    file.seek(0);
    verdict.checksum = ChecksumComparison{fileCrc32(file, crcKernel), *expected};
  }
  verdict.section = validateFacilitySection(file, *header);
  return verdict;
}

CandidateFacts examineCandidate(FileBytes& file, Crc32Function crcKernel) {
  CandidateFacts facts;
  file.seek(0);
  facts.crc = fileCrc32(file, crcKernel);
  file.seek(0);
  const std::optional<FacilityHeader> header = isFacilityFile(file);
  if (!header) return facts;
  facts.facility = true;
  facts.sectionSound = validateFacilitySection(file, *header).sound();
  return facts;
}

}  // namespace checks
