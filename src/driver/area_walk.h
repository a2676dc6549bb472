#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run_state.h"
#include "platform/platform.h"
#include "report/text_out.h"

namespace driver {

inline constexpr unsigned kFirstArea = 1;
inline constexpr unsigned kLastArea = 399;

// The section name of one area ("Area.007"), and of all, "Area.001" to "Area.399".
std::string areaSectionName(unsigned area);
std::vector<std::string> areaSectionNames();

// The path of the host folder's Scenery.cfg, as built.
std::string sceneryConfigPath(const std::string& hostFolder);

// The Local value of each area Area.001 to Area.399 (empty where there is
// none); nothing when the configuration at `configPath` is no regular file
// that can be read, or its path is too long to open.
std::optional<std::vector<std::string>> areaLocalValues(const platform::SystemPaths& paths,
                                                        const std::string& configPath);

// Scans the scenery folder of every area that `locals` (one per area, from
// Area.001) gives a value, in area order, into `results` (emptied first),
// with each area's own counts; then ends the running count's line. With
// --explain asked, also tells whether each folder exists.
void scanSceneryAreas(const RunRequest& request, const std::vector<std::string>& locals, FileChecker& checker,
                      report::TextOut& console, ScanResults& results);

// The scenery folder of an area whose Local value is `localValue`: inside the
// host folder for a relative value, where it points for an absolute one;
// always ending with a separator. Nothing when the path would be too long or
// leads to no folder of this system.
std::optional<std::string> sceneryFolderPath(const platform::SystemPaths& paths, const std::string& hostFolder,
                                             std::string_view localValue);

}  // namespace driver
