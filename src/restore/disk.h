#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "checks/crc32.h"
#include "platform/file_system.h"
#include "restore/outcomes.h"

// The disk as the restore and the undo see it: the file system they were
// given, and the CRC kernel that proves every byte read. Internal to the
// restore.
namespace restore {

using Bytes = std::vector<std::uint8_t>;

// The temporary file that the step tagged `tag` (one restore, or one undo)
// writes beside `path`; its name ends as the search for originals never
// takes, and no other step's name is the same.
std::string temporaryPath(const std::string& path, const std::string& tag);

std::string inFolder(const std::string& folder, const std::string& name);

inline Failure failure(Reason reason, std::optional<platform::FileFailure> system = std::nullopt,
                       std::string detail = {}) {
  return {reason, std::move(system), std::move(detail)};
}

class Disk {
 public:
  Disk(platform::FileSystem& files, checks::Crc32Function kernel) : files_(files), kernel_(kernel) {}

  platform::FileSystem& files() const { return files_; }

  std::uint32_t crcOf(std::span<const std::uint8_t> bytes) const;

  // Every byte of a regular file no larger than any original can be.
  std::optional<Bytes> wholeFile(const std::string& path) const;

  // The CRC-32 of the file at `path`; nothing when it cannot be read whole.
  std::optional<std::uint32_t> crcOfFile(const std::string& path) const;

  // True when the file at `path` holds bytes of that CRC-32.
  bool holds(const std::string& path, std::uint32_t crc) const { return crcOfFile(path) == crc; }

  // Writes `bytes` to the new file `path`, marked as `mark` says, and reads
  // them back; a file that does not read back as written is removed.
  // Nothing, or why it failed (`writeFailed` when the system refused the write).
  std::optional<Failure> writeProven(const std::string& path, std::span<const std::uint8_t> bytes, Reason writeFailed,
                                     const std::optional<platform::NewFileMark>& mark = std::nullopt) const;

 private:
  platform::FileSystem& files_;
  checks::Crc32Function kernel_;
};

}  // namespace restore
