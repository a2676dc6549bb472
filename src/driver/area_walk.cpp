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

void scanSceneryAreas(RunState& state) {
  state.counters = ScanCounters{};
  const std::string configPath = state.hostFolder + platform::pathSeparator() + kSceneryConfig;
  // A configuration path too long to open reads like a missing Scenery.cfg.
  if (fitsPathLimit(configPath)) {
    for (const std::string& local : platform::profileValues(configPath, areaSectionNames(), kLocalKey)) {
      if (local.empty()) continue;
      if (const auto folder = sceneryFolderPath(state.paths, state.hostFolder, local)) scanFolder(state, *folder);
    }
  }
  state.console.print(report::kAreaWalkEnd);
}

}  // namespace driver
