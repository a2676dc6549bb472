#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.h"

// The file and folder calls that the search for originals and the restore
// make, as one interface that the run holds and hands to them: the system's
// own calls in the program, a stand-in that fails a chosen call in tests, so
// that every failure path can be reached in-process. Each call keeps the
// contract of the platform call of the same name (platform.h).
namespace platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual File openForReading(const std::string& path) = 0;
  virtual bool readFileInBlocks(const std::string& path, const std::function<void(std::string_view)>& take) = 0;
  virtual FolderListing findBglFiles(const SystemPaths& paths, const std::string& folder) = 0;
  virtual FolderContents listFolder(const std::string& folder) = 0;
  virtual bool isExistingFile(const std::string& path) = 0;
  virtual bool pathExists(const std::string& path) = 0;

  virtual std::optional<FileFailure> writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                                  const std::optional<NewFileMark>& mark) = 0;
  virtual ReplaceOutcome replaceFile(const std::string& from, const std::string& to) = 0;
  virtual std::optional<FileFailure> createFolder(const std::string& path) = 0;
  virtual bool removeFile(const std::string& path) = 0;
  virtual bool removeFolder(const std::string& path) = 0;
  virtual std::optional<bool> isReadOnly(const std::string& path) = 0;
  virtual bool setReadOnly(const std::string& path, bool readOnly) = 0;
  virtual FileFacts fileFacts(const std::string& path) = 0;
  virtual bool isInUse(const std::string& path) = 0;
};

// The system's own calls. It holds nothing: every run may share it.
class SystemFileSystem final : public FileSystem {
 public:
  File openForReading(const std::string& path) override { return platform::openForReading(path); }
  bool readFileInBlocks(const std::string& path, const std::function<void(std::string_view)>& take) override {
    return platform::readFileInBlocks(path, take);
  }
  FolderListing findBglFiles(const SystemPaths& paths, const std::string& folder) override {
    return platform::findBglFiles(paths, folder);
  }
  FolderContents listFolder(const std::string& folder) override { return platform::listFolder(folder); }
  bool isExistingFile(const std::string& path) override { return platform::isExistingFile(path); }
  bool pathExists(const std::string& path) override { return platform::pathExists(path); }

  std::optional<FileFailure> writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                          const std::optional<NewFileMark>& mark) override {
    return platform::writeNewFile(path, bytes, mark);
  }
  ReplaceOutcome replaceFile(const std::string& from, const std::string& to) override {
    return platform::replaceFile(from, to);
  }
  std::optional<FileFailure> createFolder(const std::string& path) override { return platform::createFolder(path); }
  bool removeFile(const std::string& path) override { return platform::removeFile(path); }
  bool removeFolder(const std::string& path) override { return platform::removeFolder(path); }
  std::optional<bool> isReadOnly(const std::string& path) override { return platform::isReadOnly(path); }
  bool setReadOnly(const std::string& path, bool readOnly) override { return platform::setReadOnly(path, readOnly); }
  FileFacts fileFacts(const std::string& path) override { return platform::fileFacts(path); }
  bool isInUse(const std::string& path) override { return platform::isInUse(path); }
};

}  // namespace platform
