#include "platform/posix/posix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <memory>

namespace platform::posix {

namespace {

bool statMode(const std::string& path, mode_t kind) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

}  // namespace

bool entryExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool targetExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

bool isFolder(const std::string& path) { return statMode(path, S_IFDIR); }

bool isLink(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

namespace {

// A field of /proc/self/mounts, where blanks and backslashes are written as octal escapes.
std::string unescapedMountField(std::string_view field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const bool octal = field[i] == '\\' && i + 3 < field.size();
    if (octal) {
      text.push_back(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
      i += 3;
    } else {
      text.push_back(field[i]);
    }
  }
  return text;
}

}  // namespace

std::vector<std::string> mountPointsOf(const std::vector<std::string>& types) {
  std::vector<std::string> points;
  const std::optional<std::string> mounts = regularFileText("/proc/self/mounts");
  if (!mounts) return points;
  std::size_t start = 0;
  while (start < mounts->size()) {
    const std::size_t end = std::min(mounts->find('\n', start), mounts->size());
    const std::string_view line(mounts->data() + start, end - start);
    start = end + 1;
    // device mount-point type options dump pass
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    const std::size_t third = second == std::string_view::npos ? second : line.find(' ', second + 1);
    if (third == std::string_view::npos) continue;
    const std::string type(line.substr(second + 1, third - second - 1));
    if (std::find(types.begin(), types.end(), type) == types.end()) continue;
    points.push_back(unescapedMountField(line.substr(first + 1, second - first - 1)));
  }
  return points;
}

bool isRegularFile(const std::string& path) { return statMode(path, S_IFREG); }

int openRegularFile(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void forEachBlock(int fd, const std::function<void(std::string_view)>& take) {
  std::array<char, kReadBlockSize> block{};
  ssize_t got = 0;
  while ((got = ::read(fd, block.data(), block.size())) > 0) {
    take(std::string_view(block.data(), static_cast<std::size_t>(got)));
  }
}

std::optional<std::string> regularFileText(const std::string& path) {
  const int fd = openRegularFile(path, O_RDONLY);
  if (fd < 0) return std::nullopt;
  std::string text;
  forEachBlock(fd, [&text](std::string_view block) { text.append(block); });
  ::close(fd);
  return text;
}

std::vector<std::string> folderEntries(const std::string& folder, int* error) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (error != nullptr) *error = dir == nullptr ? errno : 0;
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

FileFailure fileFailureOf(int errorNumber) {
  using Kind = FileFailure::Kind;
  const Kind kind = errorNumber == EACCES || errorNumber == EPERM ? Kind::AccessDenied
                    : errorNumber == EBUSY || errorNumber == ETXTBSY ? Kind::InUse
                                                                       : Kind::Other;
  return {kind, std::strerror(errorNumber)};
}

std::string resolvedPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace platform::posix
