// POSIX services. Linux file systems are case-sensitive while FS2002
// installations copied from Windows, or hosted by Wine, mix letter cases
// freely: every path is looked up the way Wine does, the exact spelling first
// and otherwise each component matched without regard to ASCII letter case.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>

#include "platform/ini_text.h"
#include "platform/platform.h"

namespace platform {

namespace {

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return upperAscii(x) == upperAscii(y); });
}

bool entryExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// Names of the entries of `folder` ("" for the current folder), skipping "." and "..".
std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

// The spelling on disk of `component` inside `parent`: itself when it exists,
// else the first case-insensitive match in byte order, else itself.
std::string componentOnDisk(const std::string& parent, const std::string& component) {
  if (component == "." || component == ".." || entryExists(parent + component)) return component;
  std::vector<std::string> names = folderEntries(parent);
  std::sort(names.begin(), names.end());
  const auto match = std::find_if(names.begin(), names.end(),
                                 [&component](const std::string& name) { return sameIgnoringCase(name, component); });
  return match == names.end() ? component : *match;
}

// `path` with each component spelled as on disk; separators kept as given.
std::string spellingOnDisk(const std::string& path) {
  if (path.empty() || entryExists(path)) return path;
  std::string resolved;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    if (slash > start) resolved += componentOnDisk(resolved, path.substr(start, slash - start));
    if (slash < path.size()) resolved += '/';
    start = slash + 1;
  }
  return resolved;
}

bool hasBglExtension(std::string_view name) {
  return name.size() >= 4 && sameIgnoringCase(name.substr(name.size() - 4), ".bgl");
}

// NTFS and Wine list names in the order of their upper-cased spelling.
bool listedBefore(const std::string& a, const std::string& b) {
  const auto upperLess = [](char x, char y) {
    return static_cast<unsigned char>(upperAscii(x)) < static_cast<unsigned char>(upperAscii(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), upperLess)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), upperLess)) return false;
  return a < b;
}

}  // namespace

char pathSeparator() { return '/'; }

std::string programPath() {
  std::array<char, 4096> buffer{};
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

void setCurrentFolder(const std::string& folder) { (void)::chdir(folder.c_str()); }

std::string currentFolder() {
  std::array<char, 4096> buffer{};
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return {};
  return std::string(buffer.data());
}

std::optional<std::string> registryText(const char*, const char*) { return std::nullopt; }

bool pathExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(spellingOnDisk(path).c_str(), &info) == 0;
}

std::string profileValue(const std::string& filePath, const std::string& section, const std::string& key) {
  std::ifstream file(spellingOnDisk(filePath), std::ios::binary);
  if (!file) return {};
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  return iniValue(text, section, key);
}

FolderListing findBglFiles(const std::string& folder) {
  FolderListing listing{spellingOnDisk(folder), {}};
  for (std::string& name : folderEntries(listing.folder)) {
    if (hasBglExtension(name)) listing.names.push_back(std::move(name));
  }
  std::sort(listing.names.begin(), listing.names.end(), listedBefore);
  return listing;
}

std::FILE* openForReading(const std::string& path) {
  // Non-blocking, so that a FIFO with a .bgl name cannot stall the scan; only
  // regular files are scanned, as on Windows where a folder fails to open.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) ::close(fd);
  return file;
}

std::string nativeFolderText(std::string_view configText) {
  std::string path(configText);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool isAbsolutePath(std::string_view path) { return !path.empty() && path.front() == '/'; }

bool prepareStandardOutput() {
  const bool terminal = ::isatty(STDOUT_FILENO) == 1;
  // Without the block buffer the stream keeps its default; output is the same.
  if (!terminal) (void)std::setvbuf(stdout, nullptr, _IOFBF, 4096);
  return terminal;
}

}  // namespace platform
