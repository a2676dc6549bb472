#include "driver/host_folder.h"

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

std::string parentWithMarker(const HostProbe& probe) {
  std::string candidate = probe.currentFolder() + probe.separator + kParentFolder;
  const std::string marker = candidate + probe.separator + kMarkerFolder;
  // A current folder too long for the marker path means no host folder.
  if (!platform::fitsPathLimit(marker) || !probe.pathExists(marker)) return {};
  return candidate;
}

}  // namespace

HostProbe systemHostProbe(const platform::SystemPaths& paths) {
  const auto folderOnDisk = [paths](const std::string& text) -> std::optional<std::string> {
    platform::FolderText folder = platform::folderText(paths, text);
    if (folder.kind == platform::FolderText::Kind::Unreachable) return std::nullopt;
    return std::move(folder.path);
  };
  return HostProbe{[paths] { return platform::registryText(paths, kRegistryKey, kRegistryValue); }, folderOnDisk,
                   platform::pathExists, platform::currentFolder, platform::pathSeparator()};
}

std::string trimRegistryPath(std::string text, platform::LeadByteTest isLeadByte) {
  text.resize(platform::lengthWithoutTrailing(text, isTrimmed, isLeadByte));
  return text;
}

std::string locateHostFolder(const HostProbe& probe) {
  std::string candidate = trimRegistryPath(probe.registryPath().value_or(std::string()));
  if (candidate.empty()) candidate = kDefaultHostFolder;
  // A path that leads to no folder of this system is a path that does not exist.
  const std::optional<std::string> folder = probe.folderOnDisk(candidate);
  if (folder && probe.pathExists(*folder)) return *folder;
  return parentWithMarker(probe);
}

}  // namespace driver
