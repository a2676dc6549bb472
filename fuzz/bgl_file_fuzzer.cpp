// Treats its input as a whole BGL file and runs the checks exactly as the
// folder scan does, through a real file since the checks read through
// seeks: the header test, then the classification (checksum comparison and
// section validation) under a stock name that has a reference checksum. The
// validation's verdict must not depend on where the checksum pass left the
// file, must equal the literal record walk's and must not depend on the size
// of the window it reads through; and no check may fail to return.

#include <unistd.h>

#include <array>
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
  checks::FileBytes bytes(file, state.window);
  if (checks::isFacilityFile(bytes, state.facilityHeader)) {
    const checks::FileVerdict verdict =
        checks::classifyFacilityFile(state, bytes, "geopol07.bgl", "/fuzz/geopol07.bgl");
    if (verdict.section.sound() != state.lists.formatErrorList.empty()) std::abort();
    const checks::SectionVerdict fresh = checks::validateFacilitySection(bytes, state.facilityHeader);
    if (!(fresh == verdict.section)) std::abort();
    if (checks::validateFacilitySectionLiterally(bytes, state.facilityHeader) != fresh) std::abort();
    std::array<std::uint8_t, 5> narrowWindow{};
    checks::FileBytes narrow(file, narrowWindow);
    if (checks::validateFacilitySection(narrow, state.facilityHeader) != fresh) std::abort();
  } else if (!state.lists.formatErrorList.empty() || !state.lists.checksumErrorList.empty()) {
    std::abort();
  }
  std::fclose(file);
  return 0;
}
