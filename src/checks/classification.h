#pragma once

#include <cstdint>
#include <forward_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "checks/crc32.h"
#include "checks/facility_header.h"
#include "checks/section_validation.h"

namespace checks {

// The CRC-32 of a stock file against its reference value.
struct ChecksumComparison {
  std::uint32_t computed = 0;
  std::uint32_t expected = 0;

  bool matches() const { return computed == expected; }
};

// One file that failed a check: the full path exactly as it was opened,
// whether its name is one that FS2002 ships, and why it failed: the section
// validation's verdict in the format error list, the checksums in the
// checksum error list.
struct BadFileRecord {
  std::string path;
  bool isStock = false;
  std::variant<SectionVerdict, ChecksumComparison> reason;
};

// Bad files, newest first: a record found later stands before earlier ones.
class BadFileList {
 public:
  void prepend(BadFileRecord record) { records_.push_front(std::move(record)); }
  bool empty() const { return records_.empty(); }
  auto begin() const { return records_.begin(); }
  auto end() const { return records_.end(); }

 private:
  std::forward_list<BadFileRecord> records_;
};

// The two verdict lists of a run; a file can stand in both.
struct BadFileLists {
  BadFileList formatErrorList;
  BadFileList checksumErrorList;

  bool anyBad() const { return !formatErrorList.empty() || !checksumErrorList.empty(); }
};

// What the checks keep for the whole run: the header of the file most
// recently tested, the CRC kernel chosen at start-up, the window that every
// file's bytes are read into and the verdict lists.
struct FileCheckState {
  FacilityHeader facilityHeader;
  Crc32Function crcKernel = selectedCrc32Kernel().update;
  std::vector<std::uint8_t> window = std::vector<std::uint8_t>(kCrcReadBlockSize);
  BadFileLists lists;
};

// What the checks found in one facility file.
struct FileVerdict {
  bool isStock = false;
  std::optional<ChecksumComparison> checksum;  // only for a name with a reference value
  SectionVerdict section;

  bool bad() const { return !section.sound() || (checksum && !checksum->matches()); }
};

// Runs the checks on one open facility file whose header is in
// `state.facilityHeader`: the checksum comparison for stock files with a
// reference value, then the section validation; each failure prepends a
// record of `fullPath` to its list. `name` is the lower-cased file name.
FileVerdict classifyFacilityFile(FileCheckState& state, FileBytes& file, std::string_view name,
                                 std::string_view fullPath);

}  // namespace checks
