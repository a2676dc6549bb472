#include "driver/host_folder.h"

#include "driver/path_text.h"
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
  if (!fitsPathLimit(marker) || !probe.pathExists(marker)) return {};
  return candidate;
}

}  // namespace

HostProbe systemHostProbe() {
  return HostProbe{[] { return platform::registryText(kRegistryKey, kRegistryValue); }, platform::pathExists,
                   platform::currentFolder, platform::pathSeparator()};
}

std::string trimRegistryPath(std::string text) {
  std::size_t keep = text.size();
  while (keep > 1 && isTrimmed(text[keep - 1])) --keep;
  text.resize(keep);
  return text;
}

std::string locateHostFolder(const HostProbe& probe) {
  std::string candidate = trimRegistryPath(probe.registryPath().value_or(std::string()));
  if (candidate.empty()) candidate = kDefaultHostFolder;
  if (probe.pathExists(candidate)) return candidate;
  return parentWithMarker(probe);
}

}  // namespace driver
