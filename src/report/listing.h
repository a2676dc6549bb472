#pragma once

#include <string>

#include "checks/classification.h"
#include "report/text_out.h"

namespace report {

// What became of the listing and what the verdict said.
struct ListingOutcome {
  bool created = false;
  bool anyBad = false;
};

// Writes the listing file at `listingPath` from the two bad-file lists
// (newest first) and prints the verdict on `console`. A listing that cannot
// be created or wholly written is reported on the console; the verdict
// follows all the same. An empty path (the program's own folder is unknown)
// writes no file anywhere and is reported under the bare file name.
ListingOutcome writeListing(const std::string& listingPath, const checks::BadFileLists& lists,
                            TextOut& console);

}  // namespace report
