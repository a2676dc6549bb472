#include "support/faulty_file_system.h"

#include <algorithm>

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
                                                                    std::span<const std::uint8_t> bytes,
                                                                    const std::optional<platform::NewFileMark>& mark) {
  if (fails(Call::WriteNewFile)) return planted();
  return system_.writeNewFile(path, bytes, mark);
}

platform::ReplaceOutcome FaultyFileSystem::replaceFile(const std::string& from, const std::string& to) {
  if (fails(Call::ReplaceFile)) return {false, planted()};
  platform::ReplaceOutcome outcome = system_.replaceFile(from, to);
  if (outcome.replaced && flushFailsFrom_ > 0 && calls(Call::ReplaceFile) >= flushFailsFrom_) {
    outcome.failure = planted();
  }
  return outcome;
}

std::optional<platform::FileFailure> FaultyFileSystem::createFolder(const std::string& path) {
  if (fails(Call::CreateFolder)) return planted();
  return system_.createFolder(path);
}

bool FaultyFileSystem::removeFile(const std::string& path) {
  return !fails(Call::RemoveFile) && system_.removeFile(path);
}

bool FaultyFileSystem::removeFolder(const std::string& path) {
  return !fails(Call::RemoveFolder) && system_.removeFolder(path);
}

std::optional<bool> FaultyFileSystem::isReadOnly(const std::string& path) {
  if (fails(Call::IsReadOnly)) return std::nullopt;
  return system_.isReadOnly(path);
}

bool FaultyFileSystem::setReadOnly(const std::string& path, bool readOnly) {
  return !fails(Call::SetReadOnly) && system_.setReadOnly(path, readOnly);
}

platform::FileFacts FaultyFileSystem::fileFacts(const std::string& path) {
  if (fails(Call::FileFacts)) return {};
  return system_.fileFacts(path);
}

bool FaultyFileSystem::isInUse(const std::string& path) {
  if (fails(Call::IsInUse)) return true;
  return std::find(inUse_.begin(), inUse_.end(), path) != inUse_.end() || system_.isInUse(path);
}

}  // namespace testsupport
