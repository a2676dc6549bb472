#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/path_text.h"
#include "platform/platform.h"

namespace driver {

// What locating the host folder asks of the system; tests supply their own.
struct HostProbe {
  std::function<std::optional<std::string>()> registryPath;  // FS2002's recorded install path
  // The path of this system that a Windows folder text stands for; nothing
  // when no folder does (a drive letter no folder stands for).
  std::function<std::optional<std::string>(const std::string&)> folderOnDisk;
  std::function<bool(const std::string&)> pathExists;
  std::function<std::string()> currentFolder;
  char separator = '\\';
  platform::SystemPaths paths;  // how paths are measured against the path limit
};

// The probe that asks the real system, with Windows paths leading where `paths` says.
HostProbe systemHostProbe(const platform::SystemPaths& paths);

// A registry path without its trailing backslashes and blanks; the first
// character always stays, and a two-byte character is never cut.
std::string trimRegistryPath(std::string text, platform::LeadByteTest isLeadByte = platform::isLeadByte);

// The file of the installation that lists its scenery areas.
inline constexpr const char* kSceneryConfigName = "Scenery.cfg";

// The FS2002 folder to scan: the registry's path (or, when there is none,
// the default install path) when it exists and holds Scenery.cfg (as the
// path of this system it stands for), else the parent of the current folder (kept
// unnormalised) when it holds SCENEDB, else the current folder when it does;
// empty text when none passes.
std::string locateHostFolder(const HostProbe& probe);

}  // namespace driver
