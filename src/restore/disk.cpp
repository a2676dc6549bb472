#include "restore/disk.h"

#include <algorithm>

#include "cabinets/cabinet_reader.h"
#include "checks/file_bytes.h"
#include "originals/original_search.h"

namespace restore {

std::string temporaryPath(const std::string& path, const std::string& tag) {
  return path + "." + tag + std::string(originals::kTemporarySuffix);
}

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder + platform::pathSeparator() + name;
}

std::uint32_t Disk::crcOf(std::span<const std::uint8_t> bytes) const {
  checks::FileBytes inMemory(bytes);
  return checks::fileCrc32(inMemory, kernel_);
}

std::optional<Bytes> Disk::wholeFile(const std::string& path) const {
  const platform::File file = files_.openForReading(path);
  const std::optional<std::uint64_t> size = platform::fileSize(file);
  if (!size || *size > cabinets::kMaxEntrySize) return std::nullopt;
  Bytes bytes(static_cast<std::size_t>(*size));
  if (!platform::readExactly(file, 0, bytes)) return std::nullopt;
  return bytes;
}

std::optional<std::uint32_t> Disk::crcOfFile(const std::string& path) const {
  const std::optional<Bytes> bytes = wholeFile(path);
  if (!bytes) return std::nullopt;
  return crcOf(*bytes);
}

std::optional<Failure> Disk::writeProven(const std::string& path, std::span<const std::uint8_t> bytes,
                                         Reason writeFailed, const std::optional<platform::NewFileMark>& mark) const {
  if (std::optional<platform::FileFailure> refused = files_.writeNewFile(path, bytes, mark)) {
    return failure(writeFailed, std::move(refused));
  }
  const std::optional<Bytes> written = wholeFile(path);
  if (written && std::equal(written->begin(), written->end(), bytes.begin(), bytes.end())) return std::nullopt;
  files_.removeFile(path);
  return failure(Reason::ReadBackFailed);
}

}  // namespace restore
