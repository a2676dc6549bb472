// Treats its input as a cabinet file and reads it as the search for
// originals does: every ".bgl" entry through the system's decoder into
// memory, then examined by the checks. Reading must end, whatever the bytes;
// no entry may come out larger than the limit; an entry's bytes must be
// checked alike in memory and from a file; every BGL entry listed must come
// out or be named as not read; and a file is told to be no cabinet exactly
// when it does not begin with the cabinet signature.

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cabinets/cabinet_reader.h"
#include "checks/file_bytes.h"
#include "checks/file_check.h"
#include "platform/platform.h"

namespace {

// Scratch files of this fuzzing process, rewritten for every input, in a
// folder of their own: a cabinet that names other parts of a set has them
// looked for beside it.
const std::string& scratchFolder() {
  static const std::string folder = [] {
    std::string path = "/tmp/trawlex-fuzz-" + std::to_string(::getpid());
    ::mkdir(path.c_str(), 0700);
    return path + "/";
  }();
  return folder;
}
const std::string& cabinetPath() {
  static const std::string path = scratchFolder() + "input.cab";
  return path;
}
const std::string& entryPath() {
  static const std::string path = scratchFolder() + "entry.bgl";
  return path;
}

bool writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, out) == size;
  return std::fclose(out) == 0 && written;
}

bool sameFacts(const checks::CandidateFacts& a, const checks::CandidateFacts& b) {
  return a.facility == b.facility && a.crc == b.crc && a.sectionSound == b.sectionSound;
}

// The entry's facts from memory and from a file holding the same bytes.
void checkEntry(const std::string& name, std::span<const std::uint8_t> bytes) {
  if (!cabinets::isBglEntryName(name) || bytes.size() > cabinets::kMaxEntrySize) std::abort();
  const checks::Crc32Function kernel = checks::selectedCrc32Kernel().update;
  checks::FileBytes inMemory(bytes);
  const checks::CandidateFacts fromMemory = checks::examineCandidate(inMemory, kernel);
  if (!writeFile(entryPath(), bytes.data(), bytes.size())) return;
  const platform::File file = platform::openForReading(entryPath());
  if (!file) return;
  std::vector<std::uint8_t> window(checks::kCrcReadBlockSize);
  checks::FileBytes fromDisk(file, window);
  const checks::CandidateFacts fromFile = checks::examineCandidate(fromDisk, kernel);
  if (!sameFacts(fromMemory, fromFile)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!writeFile(cabinetPath(), data, size)) return 0;
  std::size_t handedOver = 0;
  const cabinets::CabinetReading reading = cabinets::readBglEntries(cabinetPath(), [&](const cabinets::EntryOut& entry) {
    ++handedOver;
    checkEntry(entry.name, entry.bytes);
  });
  const bool signature = size >= 4 && std::memcmp(data, "MSCF", 4) == 0;
  if ((reading.problem == cabinets::CabinetProblem::NotACabinet) == signature) std::abort();
  if (!reading.problem && handedOver + reading.notRead.size() != reading.bglEntries) std::abort();
  return 0;
}
