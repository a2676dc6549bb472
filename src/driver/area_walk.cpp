#include "driver/area_walk.h"

#include "driver/folder_scan.h"
#include "driver/host_folder.h"
#include "platform/path_text.h"
#include "platform/platform.h"
#include "platform/windows_path.h"
#include "report/texts.h"

namespace driver {

namespace {

constexpr const char* kAreaSection = "Area.%03u";
constexpr const char* kLocalKey = "Local";
constexpr const char* kSceneryFolder = "scenery";

}  // namespace

std::optional<std::string> sceneryFolderPath(const platform::SystemPaths& paths, const std::string& hostFolder,
                                             std::string_view localValue) {
  using Kind = platform::FolderText::Kind;
  if (platform::isPathWindowsRefuses(localValue)) return std::nullopt;  // no Windows folder bears such a name
  const platform::FolderText local = platform::folderText(paths, localValue);
  if (local.kind == Kind::Unreachable) return std::nullopt;
  // Add-on areas registered outside the simulator's folder are scanned where they are.
  if (local.kind == Kind::Absolute) return platform::joinPath(paths, {local.path, kSceneryFolder, ""});
  // Windows stops a ".." at the drive's root.
  const std::string relative = platform::withoutParentsAbove(local.path, platform::foldersBelowDriveRoot(paths, hostFolder));
  return platform::joinPath(paths, {hostFolder, relative, kSceneryFolder, ""});
}

std::string areaSectionName(unsigned area) { return report::formatText(kAreaSection, area); }

std::vector<std::string> areaSectionNames() {
  std::vector<std::string> sections;
  for (unsigned area = kFirstArea; area <= kLastArea; ++area) sections.push_back(areaSectionName(area));
  return sections;
}

namespace {

// The folder of an area that leads to no folder of this system, as Windows
// would build it: the Local value's own path text (a drive Wine does not
// map), or the value itself when the path would be too long.
std::string unbuiltFolderText(const RunRequest& request, const std::string& local) {
  const bool reachable = platform::folderText(request.paths, local).kind != platform::FolderText::Kind::Unreachable;
  if (reachable && !platform::isPathWindowsRefuses(local)) return local;
  return local + "\\" + kSceneryFolder + "\\";
}

// Names, among what was not checked, an area whose folder is not there (an
// add-on removed, a drive not mapped): FS2002 reads nothing of it, and the
// user should not take the verdict for the whole installation. An area
// folder without a scenery folder (textures only) is sound.
void noteMissingArea(const RunRequest& request, ScanResults& results, const std::optional<std::string>& folder,
                     const std::string& local) {
  const platform::FileFailure missing{platform::FileFailure::Kind::Missing, {}};
  if (!folder) {
    const bool unmapped = platform::folderText(request.paths, local).kind == platform::FolderText::Kind::Unreachable;
    // Shown as Windows shows the folder it builds: with its final backslash.
    if (unmapped) results.unread.push_back({local.substr(0, local.find_last_not_of('\\') + 1) + "\\", missing});
    return;
  }
  const std::string areaFolder = folder->substr(0, folder->size() - std::string_view(kSceneryFolder).size() - 1);
  if (!platform::pathExists(areaFolder.substr(0, areaFolder.size() - 1))) results.unread.push_back({areaFolder, missing});
}

// Scans the folder of one area that has a Local value and tells what it held.
scan::AreaSummary scanArea(const RunRequest& request, FileChecker& checker, report::TextOut& console,
                           ScanResults& results, unsigned number, const std::string& local) {
  const auto folder = sceneryFolderPath(request.paths, request.hostFolder, local);
  scan::AreaSummary area{number, folder ? *folder : unbuiltFolderText(request, local), false, 0, 0};
  const std::size_t unreadBefore = results.unread.size();
  if (!folder) {
    noteMissingArea(request, results, folder, local);
    return area;
  }
  const ScanCounters own = scanFolder(request.paths, checker, console, results, *folder);
  // Only an area that gave nothing may be missing; asked then, a plain run of sound areas makes no extra system call.
  if (own.allFiles == 0 && results.unread.size() == unreadBefore) noteMissingArea(request, results, folder, local);
  area.allFiles = own.allFiles;
  area.facilityFiles = own.facilityFiles;
  // Only the explanation asks, so a plain run makes no extra system call.
  if (request.command.explain) area.exists = platform::pathExists(folder->substr(0, folder->size() - 1));
  return area;
}

}  // namespace

std::string sceneryConfigPath(const std::string& hostFolder) {
  return hostFolder + platform::pathSeparator() + kSceneryConfigName;
}

std::optional<std::vector<std::string>> areaLocalValues(const platform::SystemPaths& paths,
                                                        const std::string& configPath) {
  // A path too long to open is a configuration that cannot be read.
  if (!platform::fitsPathLimit(paths, configPath)) return std::nullopt;
  return platform::profileValues(configPath, areaSectionNames(), kLocalKey);
}

void scanSceneryAreas(const RunRequest& request, const std::vector<std::string>& locals, FileChecker& checker,
                      report::TextOut& console, ScanResults& results) {
  results = ScanResults{};
  for (unsigned area = kFirstArea; area <= kLastArea && area - kFirstArea < locals.size(); ++area) {
    const std::string& local = locals[area - kFirstArea];
    if (!local.empty()) results.areas.push_back(scanArea(request, checker, console, results, area, local));
  }
  // The running count shows every tenth file: the last one shown is the total.
  if (results.counters.allFiles % 10 != 0) {
    console.print(report::formatText(report::kRunningCount, results.counters.allFiles, results.counters.facilityFiles));
  }
  console.print(report::kAreaWalkEnd);
}

}  // namespace driver
