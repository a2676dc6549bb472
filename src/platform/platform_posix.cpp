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
#include <cerrno>
#include <cstdlib>
#include <limits>

#include "platform/ini_text.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "platform/wine_prefix.h"

namespace platform {

namespace {

constexpr std::size_t kReadBlockSize = std::size_t{64} * 1024;
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
                                 [&component](const std::string& name) { return sameAsciiFolded(name, component); });
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

// What "*.bgl" matches under Windows: the long name, or the 8.3 short name,
// whose extension is the first three characters of the last one.
bool matchesBglSearch(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && sameAsciiFolded(name.substr(dot + 1, 3), "bgl");
}

// Opens an existing regular file with `flags`, never blocking on a pipe or a
// device; -1 when it is missing or anything else.
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

std::optional<std::string> regularFileText(const std::string& path) {
  const int fd = openRegularFile(path, O_RDONLY);
  if (fd < 0) return std::nullopt;
  std::string text;
  std::array<char, kReadBlockSize> block{};
  ssize_t got = 0;
  while ((got = ::read(fd, block.data(), block.size())) > 0) text.append(block.data(), static_cast<std::size_t>(got));
  ::close(fd);
  return text;
}

// The registry key of the 32-bit view in a 64-bit prefix: HKLM\Software\X
// is kept as Software\Wow6432Node\X.
std::string view32Key(std::string_view key) {
  const std::size_t first = key.find('\\');
  return std::string(key.substr(0, first)) + "\\Wow6432Node" + std::string(key.substr(first));
}

// A text of the installation, ANSI where Windows would hand it over, as
// Wine names files: ANSI turned into UTF-8, UTF-8 kept.
std::string systemText(const std::string& text) { return isUtf8(text) ? text : utf8FromAnsi(text); }

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
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  // A full buffer may hold a path cut short: no text rather than another path.
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

// The own folder of a program in the root is the empty text before its '/'.
void setCurrentFolder(const std::string& folder) { (void)::chdir(folder.empty() ? "/" : folder.c_str()); }

std::string currentFolder() {
  std::array<char, 4096> buffer{};
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return {};
  return std::string(buffer.data());
}

SystemPaths systemPaths(const std::string& ownFolder) {
  return {wine::findPrefix(ownFolder, std::getenv("WINEPREFIX"), std::getenv("HOME"))};
}

std::optional<std::string> registryText(const SystemPaths& paths, const char* key, const char* valueName) {
  if (paths.winePrefix.empty()) return std::nullopt;
  const std::optional<std::string> registry = regularFileText(paths.winePrefix + "/system.reg");
  if (!registry) return std::nullopt;
  const std::string viewKey = wine::isWin64Registry(*registry) ? view32Key(key) : std::string(key);
  const std::optional<std::string> text = wine::registryString(*registry, viewKey, valueName);
  if (!text) return std::nullopt;
  // What the ANSI registry reader would hand over, and its length limit.
  const std::string ansi = ansiFromUtf8(*text);
  if (ansi.size() > kMaxPathLength) return std::nullopt;
  return utf8FromAnsi(ansi);
}

bool pathExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(spellingOnDisk(path).c_str(), &info) == 0;
}

bool isExistingFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::vector<std::string> profileValues(const std::string& filePath, const std::vector<std::string>& sections,
                                       const std::string& key) {
  ProfileScan scan(sections, key);
  // Anything but a regular file reads as a missing configuration.
  const int fd = openRegularFile(spellingOnDisk(filePath), O_RDONLY);
  if (fd >= 0) {
    std::array<char, kReadBlockSize> block{};
    ssize_t got = 0;
    while ((got = ::read(fd, block.data(), block.size())) > 0) {
      scan.feed(std::string_view(block.data(), static_cast<std::size_t>(got)));
    }
    ::close(fd);
  }
  std::vector<std::string> values = scan.finish();
  for (std::string& value : values) value = systemText(value);
  return values;
}

FolderListing findBglFiles(const std::string& folder) {
  FolderListing listing{spellingOnDisk(folder), {}};
  for (std::string& name : folderEntries(listing.folder)) {
    if (matchesBglSearch(name)) listing.names.push_back(std::move(name));
  }
  std::sort(listing.names.begin(), listing.names.end(), listedBefore);
  return listing;
}

std::FILE* openForReading(const std::string& path) {
  // Only regular files are scanned, as on Windows where a folder fails to open.
  const int fd = openRegularFile(path, O_RDONLY);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) ::close(fd);
  return file;
}

std::size_t readAt(std::FILE* file, std::uint64_t position, std::span<std::uint8_t> into) {
  if (position > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return 0;
  ssize_t got = 0;
  do {
    got = ::pread(::fileno(file), into.data(), into.size(), static_cast<off_t>(position));
  } while (got < 0 && errno == EINTR);
  return got < 0 ? 0 : static_cast<std::size_t>(got);
}

std::FILE* openForWriting(const std::string& path) {
  const int fd = openRegularFile(spellingOnDisk(path), O_WRONLY | O_CREAT);
  if (fd < 0) return nullptr;
  std::FILE* file = nullptr;
  if (::ftruncate(fd, 0) == 0 && ::fcntl(fd, F_SETFL, 0) == 0) file = ::fdopen(fd, "wb");
  if (file == nullptr) ::close(fd);
  return file;
}

FolderText folderText(const SystemPaths& paths, std::string_view windowsText) {
  std::string path(windowsText);
  if (isDrivePath(windowsText)) {
    path = wine::drivePathOnDisk(paths.winePrefix, windowsText);
    return {path.empty() ? FolderText::Kind::Unreachable : FolderText::Kind::Absolute, path};
  }
  // Only a text that begins with '/' is a path of this system's own; one
  // that begins with a backslash stays inside the host folder, as on Windows.
  const bool absolute = !path.empty() && path.front() == '/';
  std::replace(path.begin(), path.end(), '\\', '/');
  return {absolute ? FolderText::Kind::Absolute : FolderText::Kind::Relative, path};
}

bool isLeadByte(char) { return false; }

bool prepareStandardOutput() {
  const bool terminal = ::isatty(STDOUT_FILENO) == 1;
  // Without the block buffer the stream keeps its default; output is the same.
  if (!terminal) (void)std::setvbuf(stdout, nullptr, _IOFBF, 4096);
  return terminal;
}

}  // namespace platform
