#pragma once

#include <cstdint>
#include <forward_list>
#include <string>
#include <string_view>
#include <vector>

#include "checks/crc32.h"
#include "checks/facility_header.h"

namespace checks {

// One file that failed a check: the full path exactly as it was opened, and
// whether its name is one that FS2002 ships.
struct BadFileRecord {
  std::string path;
  bool isStock = false;
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

// Runs the checks on one open facility file whose header is in
// `state.facilityHeader`: the checksum comparison for stock files with a
// reference value, then the section validation; each failure prepends a
// record of `fullPath` to its list. `name` is the lower-cased file name.
void classifyFacilityFile(FileCheckState& state, FileBytes& file, std::string_view name,
                          std::string_view fullPath);

}  // namespace checks
