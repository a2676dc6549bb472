#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/bgl_builder.h"

namespace testsupport {

enum class Compression { Stored, Mszip };

// A cabinet made by a real cabinet tool (gcab) at `cabinet`, holding each
// file under its name, folders included ("scenery/geopol12.bgl", stored as
// "scenery\\geopol12.bgl").
// Throws when the tool does not make it.
void makeCabinet(const std::filesystem::path& cabinet, const std::vector<std::pair<std::string, Bytes>>& entries,
                 Compression compression);

}  // namespace testsupport
