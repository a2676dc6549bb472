#pragma once

#include "checks/facility_header.h"
#include "checks/file_bytes.h"
#include "checks/section_validation.h"

// The reference that the tests and the fuzzer hold the facility section
// validation to; the program itself never calls it.
namespace checks {

// The verdict of validateFacilitySection by the record walk as the format is
// written down, each entry's block read and walked afresh (time grows with
// entries times records).
SectionVerdict validateFacilitySectionLiterally(FileBytes& file, const FacilityHeader& header);

}  // namespace checks
