#include "platform/posix/windows_view.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/path_text.h"
#include "platform/ini_text.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/wine_prefix.h"
#include "platform/text_encoding.h"

namespace platform {

namespace {

// The spelling on disk of `component` inside `parent`: itself when it exists,
// else the first case-insensitive match in byte order, else itself.
std::string componentOnDisk(const std::string& parent, const std::string& component) {
  if (component == "." || component == ".." || posix::entryExists(parent + component)) return component;
  std::vector<std::string> names = posix::folderEntries(parent);
  std::sort(names.begin(), names.end());
  const auto match = std::find_if(names.begin(), names.end(),
                                 [&component](const std::string& name) { return sameAsciiFolded(name, component); });
  return match == names.end() ? component : *match;
}

// What "*.bgl" matches under Windows: the long name, or the 8.3 short name,
// whose extension is the first three characters of the last one.
bool matchesBglSearch(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && sameAsciiFolded(name.substr(dot + 1, 3), "bgl");
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

// The registry key of the 32-bit view in a 64-bit prefix: HKLM\Software\X
// is kept as Software\Wow6432Node\X.
std::string view32Key(std::string_view key) {
  const std::size_t first = key.find('\\');
  return std::string(key.substr(0, first)) + "\\Wow6432Node" + std::string(key.substr(first));
}

// A text of the installation, ANSI where Windows would hand it over, as
// Wine names files: ANSI turned into UTF-8, UTF-8 kept.
std::string systemText(const std::string& text) { return isUtf8(text) ? text : utf8FromAnsi(text); }

const std::string& winePrefixOf(const SystemPaths& paths) {
  static const std::string kNone;
  return paths ? paths->winePrefix : kNone;
}

}  // namespace

SystemPaths posix::pathsThroughPrefix(std::string prefix) {
  return std::make_shared<const PathMap>(PathMap{std::move(prefix)});
}

std::string posix::spellingOnDisk(const std::string& path) {
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

SystemPaths systemPaths(const std::string& ownFolder) {
  return posix::pathsThroughPrefix(wine::findPrefix(ownFolder, std::getenv("WINEPREFIX"), std::getenv("HOME")));
}

std::optional<std::string> registryText(const SystemPaths& paths, const char* key, const char* valueName) {
  const std::string& prefix = winePrefixOf(paths);
  if (prefix.empty()) return std::nullopt;
  const std::optional<std::string> registry = posix::regularFileText(prefix + "/system.reg");
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
  return !path.empty() && posix::targetExists(posix::spellingOnDisk(path));
}

std::optional<std::vector<std::string>> profileValues(const std::string& filePath,
                                                      const std::vector<std::string>& sections,
                                                      const std::string& key) {
  ProfileScan scan(sections, key);
  // Anything but a regular file that opens is no configuration.
  const int fd = posix::openRegularFile(posix::spellingOnDisk(filePath), O_RDONLY);
  if (fd < 0) return std::nullopt;
  posix::forEachBlock(fd, [&scan](std::string_view block) { scan.feed(block); });
  ::close(fd);
  std::vector<std::string> values = scan.finish();
  for (std::string& value : values) value = systemText(value);
  return values;
}

bool readFileInBlocks(const std::string& filePath, const std::function<void(std::string_view)>& take) {
  const int fd = posix::openRegularFile(posix::spellingOnDisk(filePath), O_RDONLY);
  if (fd < 0) return false;
  posix::forEachBlock(fd, take);
  ::close(fd);
  return true;
}

FolderListing findBglFiles(const std::string& folder) {
  FolderListing listing{posix::spellingOnDisk(folder), {}, std::nullopt};
  int error = 0;
  for (std::string& name : posix::folderEntries(listing.folder, &error)) {
    if (matchesBglSearch(name)) listing.names.push_back(std::move(name));
  }
  std::sort(listing.names.begin(), listing.names.end(), listedBefore);
  // A refused listing is a failure even where the refusal hides whether the
  // folder is there; any other error only for a folder that is there.
  const bool refused = error == EACCES || error == EPERM;
  if (error != 0 && (refused || posix::isFolder(listing.folder))) listing.failure = posix::fileFailureOf(error);
  return listing;
}

FolderContents listFolder(const std::string& folder) {
  FolderContents contents{posix::spellingOnDisk(folder), {}, {}};
  for (std::string& name : posix::folderEntries(contents.folder)) {
    const std::string path = contents.folder + name;
    if (posix::isRegularFile(path)) {
      contents.files.push_back(std::move(name));
    } else if (posix::isFolder(path) && !posix::isLink(path)) {
      contents.folders.push_back(std::move(name));
    }
  }
  std::sort(contents.files.begin(), contents.files.end(), listedBefore);
  std::sort(contents.folders.begin(), contents.folders.end(), listedBefore);
  return contents;
}

std::vector<std::string> opticalDrives(const SystemPaths& paths) {
  std::vector<std::string> drives;
  const auto add = [&drives](const std::string& root) {
    const std::string folder = root.back() == '/' ? root : root + '/';
    if (std::find(drives.begin(), drives.end(), folder) == drives.end()) drives.push_back(folder);
  };
  const std::string& prefix = winePrefixOf(paths);
  for (char letter = 'a'; !prefix.empty() && letter <= 'z'; ++letter) {
    const std::string root = wine::drivePathOnDisk(prefix, std::string(1, letter) + ":\\");
    // Drive C holds Windows itself; the drive of the root (z:) holds everything.
    if (letter != 'c' && !root.empty() && root != "/" && posix::isFolder(root)) add(root);
  }
  for (const std::string& mountPoint : posix::mountPointsOf({"iso9660", "udf"})) add(mountPoint);
  return drives;
}

FolderText folderText(const SystemPaths& paths, std::string_view windowsText) {
  std::string path(windowsText);
  if (isDrivePath(windowsText)) {
    path = wine::drivePathOnDisk(winePrefixOf(paths), windowsText);
    return {path.empty() ? FolderText::Kind::Unreachable : FolderText::Kind::Absolute, path};
  }
  // Only a text that begins with '/' is a path of this system's own; one
  // that begins with a backslash stays inside the host folder, as on Windows.
  const bool absolute = !path.empty() && path.front() == '/';
  std::replace(path.begin(), path.end(), '\\', '/');
  return {absolute ? FolderText::Kind::Absolute : FolderText::Kind::Relative, path};
}

}  // namespace platform
