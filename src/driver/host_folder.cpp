#include "driver/host_folder.h"

#include <algorithm>
#include <array>

#include "platform/path_text.h"
#include "platform/platform.h"

namespace driver {

namespace {

constexpr const char* kRegistryKey = "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0";
constexpr const char* kRegistryValue = "EXE Path";
constexpr const char* kDefaultHostFolder = "c:\\Program Files\\Microsoft Games\\FS2002";
constexpr const char* kParentFolder = "..";
constexpr const char* kMarkerFolder = "SCENEDB";

bool isTrimmed(char c) { return c == '\\' || c == ' '; }

// True when `candidate` holds an entry named `name`; a path too long to
// build holds nothing.
bool holds(const HostProbe& probe, const std::string& candidate, const char* name) {
  const std::string path = candidate + probe.separator + name;
  return platform::fitsPathLimit(probe.paths, path) && probe.pathExists(path);
}

// A recorded or default install path that exists and holds a scenery
// configuration: a folder without one is no installation (a leftover of an
// old one, say), so the next candidate is tried.
std::optional<std::string> installedFolder(const HostProbe& probe, const std::string& text) {
  std::optional<std::string> folder = probe.folderOnDisk(text);
  if (!folder || !probe.pathExists(*folder) || !holds(probe, *folder, kSceneryConfigName)) return std::nullopt;
  return folder;
}

// The parent of the current folder when it holds SCENEDB (kept
// unnormalised), else the current folder itself when it does (the program
// put into the installation's own folder).
std::string folderWithMarker(const HostProbe& probe) {
  const std::string current = probe.currentFolder();
  const std::array<std::string, 2> candidates = {current + probe.separator + kParentFolder, current};
  // An unreadable current folder leaves only its parent's text ("\\..").
  const auto found = std::find_if(candidates.begin(), candidates.end(), [&probe](const std::string& candidate) {
    return !candidate.empty() && holds(probe, candidate, kMarkerFolder);
  });
  return found == candidates.end() ? std::string() : *found;
}

}  // namespace

HostProbe systemHostProbe(const platform::SystemPaths& paths) {
  const auto folderOnDisk = [paths](const std::string& text) -> std::optional<std::string> {
    platform::FolderText folder = platform::folderText(paths, text);
    if (folder.kind == platform::FolderText::Kind::Unreachable) return std::nullopt;
    return std::move(folder.path);
  };
  return HostProbe{[paths] { return platform::registryText(paths, kRegistryKey, kRegistryValue); }, folderOnDisk,
                   platform::pathExists, platform::currentFolder, platform::pathSeparator(), paths};
}

std::string trimRegistryPath(std::string text, platform::LeadByteTest isLeadByte) {
  text.resize(platform::lengthWithoutTrailing(text, isTrimmed, isLeadByte));
  return text;
}

std::string locateHostFolder(const HostProbe& probe) {
  std::string candidate = trimRegistryPath(probe.registryPath().value_or(std::string()));
  if (candidate.empty()) candidate = kDefaultHostFolder;
  // A path that leads to no folder of this system is a path that does not exist.
  if (auto folder = installedFolder(probe, candidate)) return std::move(*folder);
  std::string marked = folderWithMarker(probe);
  if (!marked.empty()) return marked;
  // The recorded or default folder is there, only its Scenery.cfg is not:
  // that folder is the installation, and the error names the file it lacks.
  const std::optional<std::string> folder = probe.folderOnDisk(candidate);
  return folder && probe.pathExists(*folder) ? *folder : std::string();
}

}  // namespace driver
