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

std::optional<std::string> sceneryFolderPath(const std::string& hostFolder, std::string_view localValue) {
  const char separator = platform::pathSeparator();
  const std::string local = platform::nativeFolderText(localValue);
  // Add-on areas registered outside the simulator's folder are scanned where they are.
  std::string folder = platform::isAbsolutePath(local) ? local : hostFolder + separator + local;
  folder += separator;
  folder += kSceneryFolder;
  folder += separator;
  if (!fitsPathLimit(folder)) return std::nullopt;
  return folder;
}

void scanSceneryAreas(RunState& state) {
  state.counters = ScanCounters{};
  const std::string configPath = state.hostFolder + platform::pathSeparator() + kSceneryConfig;
  // A configuration path too long to open reads like a missing Scenery.cfg.
  if (fitsPathLimit(configPath)) {
    for (unsigned area = kFirstArea; area <= kLastArea; ++area) {
      const std::string local = platform::profileValue(configPath, report::formatText(kAreaSection, area), kLocalKey);
      if (local.empty()) continue;
      if (const auto folder = sceneryFolderPath(state.hostFolder, local)) scanFolder(state, *folder);
    }
  }
  state.console.print(report::kAreaWalkEnd);
}

}  // namespace driver
