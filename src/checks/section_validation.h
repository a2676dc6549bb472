#pragma once

#include <cstdio>

#include "checks/facility_header.h"

namespace checks {

// Judges whether the facility section that `header` points to is structurally
// sound: its directory, the entry count, and every linked block the directory
// points to. Reads through absolute seeks, so the file position on entry does
// not matter; leaves it undefined. Section kinds other than the airport
// facility directory count as sound.
bool validateFacilitySection(std::FILE* file, const FacilityHeader& header);

}  // namespace checks
