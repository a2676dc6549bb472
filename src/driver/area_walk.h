#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.h"
#include "platform/platform.h"

namespace driver {

inline constexpr unsigned kFirstArea = 1;
inline constexpr unsigned kLastArea = 399;

// The section names of the areas, "Area.001" to "Area.399".
std::vector<std::string> areaSectionNames();

// Scans the scenery folder of every area Area.001 to Area.399 that
// Scenery.cfg in the host folder gives a Local value, in area order, after
// resetting the counters; then ends the running count's line.
void scanSceneryAreas(RunState& state);

// The scenery folder of an area whose Local value is `localValue`: inside the
// host folder for a relative value, where it points for an absolute one;
// always ending with a separator. Nothing when the path would be too long or
// leads to no folder of this system.
std::optional<std::string> sceneryFolderPath(const platform::SystemPaths& paths, const std::string& hostFolder,
                                             std::string_view localValue);

}  // namespace driver
