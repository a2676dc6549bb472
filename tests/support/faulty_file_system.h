#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace testsupport {

// The system's own file calls, with failures planted: the calls of one kind
// from the n-th on (counted from 1) fail, `times` of them, as a full or
// failing disk fails them. A planted write leaves nothing behind, as the
// contract of each call promises; every other call reaches the disk.
class FaultyFileSystem final : public platform::FileSystem {
 public:
  enum class Call {
    OpenForReading,
    ReadFileInBlocks,
    FindBglFiles,
    ListFolder,
    IsExistingFile,
    PathExists,
    WriteNewFile,
    ReplaceFile,
    CreateFolder,
    RemoveFile,
    RemoveFolder,
    IsReadOnly,
    SetReadOnly,
    FileFacts,
    IsInUse,
  };
  static constexpr std::size_t kCallKinds = 15;

  // The words every planted failure carries.
  static constexpr const char* kPlantedMessage = "planted failure";

  void plant(Call call, int from, int times = 1);
  int calls(Call call) const { return counts_[index(call)]; }

  platform::File openForReading(const std::string& path) override;
  bool readFileInBlocks(const std::string& path, const std::function<void(std::string_view)>& take) override;
  platform::FolderListing findBglFiles(const platform::SystemPaths& paths, const std::string& folder) override;
  platform::FolderContents listFolder(const std::string& folder) override;
  bool isExistingFile(const std::string& path) override;
  bool pathExists(const std::string& path) override;
  std::optional<platform::FileFailure> writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                                    const std::optional<platform::NewFileMark>& mark) override;
  platform::ReplaceOutcome replaceFile(const std::string& from, const std::string& to) override;
  std::optional<platform::FileFailure> createFolder(const std::string& path) override;
  bool removeFile(const std::string& path) override;
  bool removeFolder(const std::string& path) override;
  std::optional<bool> isReadOnly(const std::string& path) override;
  bool setReadOnly(const std::string& path, bool readOnly) override;
  platform::FileFacts fileFacts(const std::string& path) override;
  bool isInUse(const std::string& path) override;

  // A replace planted to fail after its rename: the folder's flush fails.
  void plantFlushFailureAfterRename(int from) { flushFailsFrom_ = from; }
  // Files planted as held open by another program.
  void plantInUse(const std::string& path) { inUse_.push_back(path); }

 private:
  static std::size_t index(Call call) { return static_cast<std::size_t>(call); }
  // Counts the call; true when it is one planted to fail.
  bool fails(Call call);
  static platform::FileFailure planted() { return {platform::FileFailure::Kind::Other, kPlantedMessage}; }

  platform::SystemFileSystem system_;
  std::array<int, kCallKinds> counts_{};
  std::array<int, kCallKinds> from_{};
  std::array<int, kCallKinds> times_{};
  int flushFailsFrom_ = 0;
  std::vector<std::string> inUse_;
};

}  // namespace testsupport
