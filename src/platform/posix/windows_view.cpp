#include "platform/posix/windows_view.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

#include "platform/path_text.h"
#include "platform/ini_text.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/wine_prefix.h"
#include "platform/text_encoding.h"
#include "platform/windows_path.h"

namespace platform {

namespace {

// The spelling on disk of `component` inside `parent`: itself when it exists,
// else the first case-insensitive match in byte order, else itself.
std::string componentOnDisk(const std::string& parent, const std::string& component) {
  if (component == "." || component == ".." || posix::entryExists(parent + component)) return component;
  std::vector<std::string> names = posix::folderEntries(parent);
  std::sort(names.begin(), names.end());
  const auto match = std::find_if(names.begin(), names.end(),
                                 [&component](const std::string& name) { return sameNameFolded(name, component); });
  return match == names.end() ? component : *match;
}

// What "*.bgl" matches under Windows: the long name, or the 8.3 short name,
// whose extension is the first three characters of the last one. As Wine
// makes short names, one dot or blank that ends the name is dropped first,
// and a leading dot starts no extension.
bool matchesBglSearch(std::string_view name) {
  if (hasExtension(name, ".bgl")) return true;
  if (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && dot > 0 && sameAsciiFolded(name.substr(dot + 1, 3), "bgl");
}

// The pattern the Windows program searches each folder with.
constexpr const char* kBglSearchPattern = "*.bgl";

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
  PathMap map{std::move(prefix), {}};
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    std::string folder = wine::drivePathOnDisk(map.winePrefix, std::string(1, letter) + ":\\");
    if (!folder.empty()) map.driveFolders.emplace_back(letter, std::move(folder));
  }
  return std::make_shared<const PathMap>(std::move(map));
}

namespace {

// The length of the folder of the drive that holds the absolute `path` most
// closely, as Wine names it; 0 for the root, which Z: stands for without a
// prefix or a drive of its own.
std::size_t driveFolderLength(const SystemPaths& paths, std::string_view path) {
  std::size_t held = 0;
  const std::vector<std::pair<char, std::string>> rootOnly = {{'z', "/"}};
  for (const auto& [letter, folder] : paths ? paths->driveFolders : rootOnly) {
    const std::string_view root = folder == "/" ? std::string_view() : std::string_view(folder);
    const bool holds = path.starts_with(root) && (path.size() == root.size() || path[root.size()] == '/');
    if (holds && root.size() > held) held = root.size();
  }
  return held;
}

}  // namespace

std::size_t foldersBelowDriveRoot(const SystemPaths& paths, std::string_view path) {
  if (path.empty() || path.front() != '/') return std::numeric_limits<std::size_t>::max();  // none known
  const std::string_view rest = path.substr(driveFolderLength(paths, path));
  return rest.empty() ? 0 : foldersBelowRoot(rest, 1, '/');
}

std::size_t windowsPathLength(const SystemPaths& paths, std::string_view path) {
  if (path.empty() || path.front() != '/') return ansiFromUtf8(path).size();
  const std::string_view rest = path.substr(driveFolderLength(paths, path));
  return 2 + (rest.empty() ? 1 : ansiFromUtf8(rest).size());  // "C:" and the rest, "C:\" for the drive itself
}

std::string posix::systemPath(const std::string& path) {
  return !path.empty() && path.front() == '/' ? collapsedPath(path, 1, '/') : path;
}

std::string posix::spellingOnDisk(const std::string& builtPath) {
  std::string path = systemPath(builtPath);
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

posix::PathOnDisk posix::pathOnDisk(const std::string& builtPath) {
  std::string real = spellingOnDisk(builtPath);
  if (systemPath(builtPath) == builtPath) return {real, std::move(real)};
  std::string shown;
  for (std::size_t start = 0; start <= builtPath.size();) {
    const std::size_t end = std::min(builtPath.find('/', start), builtPath.size());
    const std::string name = builtPath.substr(start, end - start);
    std::string spelled = name;
    if (!name.empty() && name != "." && name != "..") {
      // The last name of the path up to here, as Windows reads it and as it is on disk.
      const std::string upToHere = spellingOnDisk(builtPath.substr(0, end));
      const std::string onDisk = upToHere.substr(upToHere.rfind('/') + 1);
      if (sameNameFolded(onDisk, name)) spelled = onDisk;
    }
    shown += spelled;
    if (end < builtPath.size()) shown += '/';
    start = end + 1;
  }
  return {std::move(shown), std::move(real)};
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

std::string spelledOnDisk(const std::string& typedPath) { return posix::spellingOnDisk(typedPath); }

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

FolderListing findBglFiles(const SystemPaths& paths, const std::string& folder) {
  posix::PathOnDisk onDisk = posix::pathOnDisk(folder);
  FolderListing listing{std::move(onDisk.shown), std::move(onDisk.real), {}, std::nullopt};
  // Windows cannot search a folder whose search pattern is too long for it.
  if (windowsPathLength(paths, folder + kBglSearchPattern) > kMaxSearchPatternLength) {
    if (posix::isFolder(listing.entriesFolder)) listing.failure = posix::fileFailureOf(ENAMETOOLONG);
    return listing;
  }
  int error = 0;
  for (std::string& name : posix::folderEntries(listing.entriesFolder, &error)) {
    if (matchesBglSearch(name)) listing.names.push_back(std::move(name));
  }
  std::sort(listing.names.begin(), listing.names.end(), listedBefore);
  // A refused listing is a failure even where the refusal hides whether the
  // folder is there; any other error only for a folder that is there.
  const bool refused = error == EACCES || error == EPERM;
  if (error != 0 && (refused || posix::isFolder(listing.entriesFolder))) listing.failure = posix::fileFailureOf(error);
  return listing;
}

FolderContents listFolder(const std::string& folder) {
  const posix::PathOnDisk onDisk = posix::pathOnDisk(folder);
  FolderContents contents{onDisk.shown, {}, {}};
  for (std::string& name : posix::folderEntries(onDisk.real)) {
    const std::string path = onDisk.real + name;
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
  // The Windows program reads every text but a drive path or one that begins
  // with two backslashes inside the host folder, even one that begins with a
  // separator.
  if (!isDrivePath(windowsText) && windowsText.substr(0, 2) != "\\\\") {
    std::string path(windowsText);
    std::replace(path.begin(), path.end(), '\\', '/');
    return {FolderText::Kind::Relative, path};
  }
  const WindowsPathStart start = windowsPathStart(windowsText);
  if (start.kind == WindowsPathKind::DriveAbsolute) {
    const std::string path = wine::drivePathOnDisk(
        winePrefixOf(paths), std::string(windowsText.substr(0, 3)) + withoutParentsAbove(windowsText.substr(3), 0));
    return {path.empty() ? FolderText::Kind::Unreachable : FolderText::Kind::Absolute, path};
  }
  // "\\.\C:\x" and "\\?\C:\x" name drive C's folder x; nothing else
  // there is a folder, and no network server is reachable.
  const std::string_view rest = windowsText.substr(start.rootLength);
  if (start.kind == WindowsPathKind::Device && isDrivePath(rest)) return folderText(paths, rest);
  return {FolderText::Kind::Unreachable, std::string(windowsText)};
}

}  // namespace platform
