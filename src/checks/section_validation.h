#pragma once

#include "checks/facility_header.h"

namespace checks {

// Judges whether the facility section that `header` points to is structurally
// sound: its directory, the entry count, and every linked block the directory
// points to. Reads through absolute seeks, so the position on entry does not
// matter; leaves it undefined. Section kinds other than the airport
// facility directory count as sound. Time and memory grow with the file's
// size, not with how many entries point into one block.
bool validateFacilitySection(FileBytes& file, const FacilityHeader& header);

// The same verdict by the record walk as the format is written down, each
// entry's block walked afresh (time grows with entries times records): the
// reference that tests and the fuzzer hold the validation to.
bool validateFacilitySectionLiterally(FileBytes& file, const FacilityHeader& header);

}  // namespace checks
