#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "checks/crc32.h"
#include "checks/file_bytes.h"
#include "checks/section_validation.h"

namespace checks {

// The reason of a file whose name is a stock facility file's but whose
// header is not a facility header.
struct StockNameWithoutHeader {};

// The CRC-32 of a stock file against its reference value.
struct ChecksumComparison {
  std::uint32_t computed = 0;
  std::uint32_t expected = 0;

  bool matches() const { return computed == expected; }
};

// What the checks found in one file.
struct FileVerdict {
  bool isStock = false;   // its name is one that FS2002 ships
  bool facility = false;  // it passed the header test; otherwise no other check ran
  std::optional<ChecksumComparison> checksum;  // only for a facility file whose name has a reference value
  SectionVerdict section;                      // sound unless a validation failed

  // Every stock name belongs to a facility file: one that fails the header
  // test is a stock file destroyed (emptied, cut short, overwritten).
  bool stockWithoutHeader() const { return isStock && !facility; }

  bool bad() const { return stockWithoutHeader() || !section.sound() || (checksum && !checksum->matches()); }
};

// Every check of one open file, from its first byte: the header test, then
// for a facility file the checksum comparison (when its name has a reference
// value) and the section validation. A function of the file's bytes and its
// name alone (any letter case); `crcKernel` only decides how fast the CRC
// comes. Leaves the position undefined and nothing else behind.
FileVerdict checkFile(FileBytes& file, std::string_view name, Crc32Function crcKernel);

// What a file offered as a copy of an original is: whether it is a facility
// file, its whole CRC-32, and whether its facility section is sound. Read
// once, it answers for every bad file it might replace.
struct CandidateFacts {
  bool facility = false;
  std::uint32_t crc = 0;      // of the whole file, facility file or not
  bool sectionSound = false;  // only a facility file's section can be
};

// The facts of one open file, from its first byte, by the checks of
// checkFile: the header test, the whole-file CRC-32 and, for a facility file,
// the section validation. Leaves the position undefined.
CandidateFacts examineCandidate(FileBytes& file, Crc32Function crcKernel);

}  // namespace checks
