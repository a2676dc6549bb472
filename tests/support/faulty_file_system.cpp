#include "support/faulty_file_system.h"

namespace testsupport {

void FaultyFileSystem::plant(Call call, int from, int times) {
  from_[index(call)] = from;
  times_[index(call)] = times;
}

bool FaultyFileSystem::fails(Call call) {
  const std::size_t i = index(call);
  const int n = ++counts_[i];
  return from_[i] > 0 && n >= from_[i] && n < from_[i] + times_[i];
}

platform::File FaultyFileSystem::openForReading(const std::string& path) {
  return fails(Call::OpenForReading) ? platform::File() : system_.openForReading(path);
}

bool FaultyFileSystem::readFileInBlocks(const std::string& path, const std::function<void(std::string_view)>& take) {
  return !fails(Call::ReadFileInBlocks) && system_.readFileInBlocks(path, take);
}

platform::FolderListing FaultyFileSystem::findBglFiles(const platform::SystemPaths& paths, const std::string& folder) {
  if (fails(Call::FindBglFiles)) return {folder, folder, {}, planted()};
  return system_.findBglFiles(paths, folder);
}

platform::FolderContents FaultyFileSystem::listFolder(const std::string& folder) {
  if (fails(Call::ListFolder)) return {folder, {}, {}};
  return system_.listFolder(folder);
}

bool FaultyFileSystem::isExistingFile(const std::string& path) {
  return !fails(Call::IsExistingFile) && system_.isExistingFile(path);
}

bool FaultyFileSystem::pathExists(const std::string& path) {
  return !fails(Call::PathExists) && system_.pathExists(path);
}

std::optional<platform::FileFailure> FaultyFileSystem::writeNewFile(const std::string& path,
                                                                    std::span<const std::uint8_t> bytes) {
  if (fails(Call::WriteNewFile)) return planted();
  return system_.writeNewFile(path, bytes);
}

std::optional<platform::FileFailure> FaultyFileSystem::replaceFile(const std::string& from, const std::string& to) {
  if (fails(Call::ReplaceFile)) return planted();
  return system_.replaceFile(from, to);
}

std::optional<platform::FileFailure> FaultyFileSystem::createFolder(const std::string& path) {
  if (fails(Call::CreateFolder)) return planted();
  return system_.createFolder(path);
}

bool FaultyFileSystem::removeFile(const std::string& path) {
  return !fails(Call::RemoveFile) && system_.removeFile(path);
}

std::optional<bool> FaultyFileSystem::isReadOnly(const std::string& path) {
  if (fails(Call::IsReadOnly)) return std::nullopt;
  return system_.isReadOnly(path);
}

bool FaultyFileSystem::setReadOnly(const std::string& path, bool readOnly) {
  return !fails(Call::SetReadOnly) && system_.setReadOnly(path, readOnly);
}

}  // namespace testsupport
