// Treats its input as a whole BGL file and runs the checks exactly as the
// folder scan does, through a real file since the checks read through
// seeks: every check of the file under a stock name that has a reference
// checksum, and the classification of its verdict into the lists. The
// validation's verdict must not depend on where the checksum pass left the
// file, must equal the literal record walk's and must not depend on the size
// of the window it reads through; a file that fails the header test is,
// under its stock name, a format error and nothing else; and no check may
// fail to return; and a candidate original's facts agree with the verdict,
// whether its bytes are read from the file or held in memory.

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "checks/classification.h"
#include "checks/facility_header.h"
#include "checks/file_check.h"
#include "checks/reference_validation.h"
#include "checks/section_validation.h"
#include "platform/platform.h"

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
  const platform::File file = platform::openForReading(scratchPath());
  if (!file) std::abort();
  std::vector<std::uint8_t> window(checks::kCrcReadBlockSize);
  checks::FileBytes bytes(file, window);
  const checks::FileVerdict verdict = checks::checkFile(bytes, "geopol07.bgl", checks::selectedCrc32Kernel().update);
  checks::BadFileLists lists;
  checks::classifyFacilityFile(lists, *platform::Path::of({}, "/fuzz/geopol07.bgl"), verdict);
  bytes.seek(0);
  const std::optional<checks::FacilityHeader> header = checks::isFacilityFile(bytes);
  if (header.has_value() != verdict.facility) std::abort();
  if (header) {
    if (verdict.section.sound() != lists.formatErrorList.empty()) std::abort();
    if (!verdict.checksum || verdict.checksum->matches() != lists.checksumErrorList.empty()) std::abort();
    const checks::SectionVerdict fresh = checks::validateFacilitySection(bytes, *header);
    if (!(fresh == verdict.section)) std::abort();
    if (checks::validateFacilitySectionLiterally(bytes, *header) != fresh) std::abort();
    std::array<std::uint8_t, 5> narrowWindow{};
    checks::FileBytes narrow(file, narrowWindow);
    if (checks::validateFacilitySection(narrow, *header) != fresh) std::abort();
  } else if (lists.formatErrorList.empty() || !lists.checksumErrorList.empty()) {
    std::abort();  // a stock name without a facility header is a format error, and only that
  }
  // A candidate original is judged by the same checks: the same header
  // verdict, section verdict and CRC-32.
  const checks::CandidateFacts facts = checks::examineCandidate(bytes, checks::selectedCrc32Kernel().update);
  if (facts.facility != verdict.facility || (verdict.facility && facts.sectionSound != verdict.section.sound())) {
    std::abort();
  }
  if (verdict.checksum && facts.crc != verdict.checksum->computed) std::abort();
  // A file held in memory (an entry of a cabinet) is judged as the same bytes on disk.
  checks::FileBytes inMemory(std::span<const std::uint8_t>(data, size));
  const checks::CandidateFacts memoryFacts = checks::examineCandidate(inMemory, checks::selectedCrc32Kernel().update);
  if (memoryFacts.facility != facts.facility || memoryFacts.crc != facts.crc ||
      memoryFacts.sectionSound != facts.sectionSound) {
    std::abort();
  }
  return 0;
}
