#pragma once

#include <array>
#include <cstddef>
#include <string>

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
    IsReadOnly,
    SetReadOnly,
  };
  static constexpr std::size_t kCallKinds = 12;

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
  std::optional<platform::FileFailure> writeNewFile(const std::string& path,
                                                    std::span<const std::uint8_t> bytes) override;
  std::optional<platform::FileFailure> replaceFile(const std::string& from, const std::string& to) override;
  std::optional<platform::FileFailure> createFolder(const std::string& path) override;
  bool removeFile(const std::string& path) override;
  std::optional<bool> isReadOnly(const std::string& path) override;
  bool setReadOnly(const std::string& path, bool readOnly) override;

 private:
  static std::size_t index(Call call) { return static_cast<std::size_t>(call); }
  // Counts the call; true when it is one planted to fail.
  bool fails(Call call);
  static platform::FileFailure planted() { return {platform::FileFailure::Kind::Other, kPlantedMessage}; }

  platform::SystemFileSystem system_;
  std::array<int, kCallKinds> counts_{};
  std::array<int, kCallKinds> from_{};
  std::array<int, kCallKinds> times_{};
};

}  // namespace testsupport
