#include "driver/area_walk.h"

#include "driver/folder_scan.h"
#include "driver/path_text.h"
#include "platform/platform.h"
#include "report/text_out.h"
#include "report/texts.h"

namespace driver {

namespace {

constexpr const char* kSceneryConfig = "Scenery.cfg";
constexpr const char* kAreaSection = "Area.%03u";
constexpr const char* kLocalKey = "Local";
constexpr const char* kSceneryFolder = "scenery";

}  // namespace

std::optional<std::string> sceneryFolderPath(const platform::SystemPaths& paths, const std::string& hostFolder,
                                             std::string_view localValue) {
  using Kind = platform::FolderText::Kind;
  const char separator = platform::pathSeparator();
  const platform::FolderText local = platform::folderText(paths, localValue);
  if (local.kind == Kind::Unreachable) return std::nullopt;
  // Add-on areas registered outside the simulator's folder are scanned where they are.
  std::string folder = local.kind == Kind::Absolute ? local.path : hostFolder + separator + local.path;
  folder += separator;
  folder += kSceneryFolder;
  folder += separator;
  if (!fitsPathLimit(folder)) return std::nullopt;
  return folder;
}

std::vector<std::string> areaSectionNames() {
  std::vector<std::string> sections;
  for (unsigned area = kFirstArea; area <= kLastArea; ++area) sections.push_back(report::formatText(kAreaSection, area));
  return sections;
}

namespace {

// The folder of an area that leads to no folder of this system, as Windows
// would build it: the Local value's own path text (a drive Wine does not
// map), or the value itself when the path would be too long.
std::string unbuiltFolderText(const RunState& state, const std::string& local) {
  if (platform::folderText(state.paths, local).kind != platform::FolderText::Kind::Unreachable) return local;
  return local + "\\" + kSceneryFolder + "\\";
}

// Scans the folder of one area that has a Local value and tells what it held.
report::AreaSummary scanArea(RunState& state, unsigned number, const std::string& local) {
  const auto folder = sceneryFolderPath(state.paths, state.hostFolder, local);
  report::AreaSummary area{number, folder ? *folder : unbuiltFolderText(state, local), false, 0, 0};
  if (!folder) return area;
  const ScanCounters before = state.counters;
  scanFolder(state, *folder);
  area.allFiles = state.counters.allFiles - before.allFiles;
  area.facilityFiles = state.counters.facilityFiles - before.facilityFiles;
  // Only the explanation asks, so a plain run makes no extra system call.
  if (state.explain) area.exists = platform::pathExists(folder->substr(0, folder->size() - 1));
  return area;
}

}  // namespace

void scanSceneryAreas(RunState& state) {
  state.counters = ScanCounters{};
  state.areas.clear();
  const std::string configPath = state.hostFolder + platform::pathSeparator() + kSceneryConfig;
  // A configuration path too long to open reads like a missing Scenery.cfg.
  if (fitsPathLimit(configPath)) {
    const std::vector<std::string> locals = platform::profileValues(configPath, areaSectionNames(), kLocalKey);
    for (unsigned area = kFirstArea; area <= kLastArea && area - kFirstArea < locals.size(); ++area) {
      const std::string& local = locals[area - kFirstArea];
      if (!local.empty()) state.areas.push_back(scanArea(state, area, local));
    }
  }
  state.console.print(report::kAreaWalkEnd);
}

}  // namespace driver
