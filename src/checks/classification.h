#pragma once

#include <algorithm>

#include <forward_list>
#include <string>
#include <variant>

#include "checks/file_check.h"
#include "checks/section_validation.h"
#include "platform/path.h"

namespace checks {

// One file that failed a check: the full path exactly as it was opened,
// whether its name is one that FS2002 ships, and why it failed: in the
// format error list the section validation's verdict, or a stock name
// without a facility header; in the checksum error list the checksums.
struct BadFileRecord {
  platform::Path path;
  bool isStock = false;
  std::variant<SectionVerdict, ChecksumComparison, StockNameWithoutHeader> reason;
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

// The two verdict lists of a scan; a file can stand in both.
struct BadFileLists {
  BadFileList formatErrorList;
  BadFileList checksumErrorList;

  bool anyBad() const { return !formatErrorList.empty() || !checksumErrorList.empty(); }
  bool anyBadStock() const {
    const auto stock = [](const BadFileRecord& record) { return record.isStock; };
    return std::any_of(formatErrorList.begin(), formatErrorList.end(), stock) ||
           std::any_of(checksumErrorList.begin(), checksumErrorList.end(), stock);
  }
};

// Classifies the verdict of the file at `path` into the lists: an abnormal
// checksum prepends a record to the checksum error list, then a failed
// section validation one to the format error list; a stock name without a
// facility header is a format error. A file that passed, or an add-on file
// that is no facility file (no check ran), is recorded nowhere.
void classifyFacilityFile(BadFileLists& lists, const platform::Path& path, const FileVerdict& verdict);

}  // namespace checks
