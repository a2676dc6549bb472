// Treats its input as a whole BGL file and runs the checks exactly as the
// folder scan does, through a real file stream since the checks read through
// seeks: the header test, then the classification (checksum comparison and
// section validation) under a stock name that has a reference checksum. The
// validation's verdict must not depend on where the checksum pass left the
// file, must equal the literal record walk's, and no check may fail to return.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "checks/classification.h"
#include "checks/facility_header.h"
#include "checks/section_validation.h"

namespace {

// One scratch file per fuzzing process, rewritten for every input.
const std::string& scratchPath() {
  static const std::string path = "/tmp/trawlex-fuzz-" + std::to_string(::getpid()) + ".bgl";
  return path;
}

bool writeInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* out = std::fopen(scratchPath().c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, out) == size;
  return std::fclose(out) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!writeInput(data, size)) std::abort();
  std::FILE* file = std::fopen(scratchPath().c_str(), "rb");
  if (file == nullptr) std::abort();
  checks::FileCheckState state;
  if (checks::isFacilityFile(file, state.facilityHeader)) {
    checks::classifyFacilityFile(state, file, "geopol07.bgl", "/fuzz/geopol07.bgl");
    const bool afterChecksum = state.lists.formatErrorList.empty();
    std::rewind(file);
    const bool fresh = checks::validateFacilitySection(file, state.facilityHeader);
    if (fresh != afterChecksum) std::abort();
    std::rewind(file);
    if (checks::validateFacilitySectionLiterally(file, state.facilityHeader) != fresh) std::abort();
  } else if (!state.lists.formatErrorList.empty() || !state.lists.checksumErrorList.empty()) {
    std::abort();
  }
  std::fclose(file);
  return 0;
}
