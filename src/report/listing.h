#pragma once

#include <string>
#include <vector>

#include "checks/classification.h"
#include "platform/platform.h"
#include "report/text_out.h"
#include "scan/scan_results.h"

namespace report {

// What the listing names: the bad files (newest first) and what could not be read (in the order met).
struct ListingContent {
  const checks::BadFileLists& lists;
  const std::vector<scan::UnreadRecord>& unread;
  bool tellTheCure = false;  // a plain run: a bad stock file brings the paragraph on how to restore it
};

// What became of the listing and what the verdict said.
struct ListingOutcome {
  bool created = false;
  bool anyBad = false;
};

// Writes the listing file at `listingPath` and prints the verdict on
// `console`, then the warning when anything could not be read. A listing
// that cannot be created or wholly written is reported on the console, and
// when it names anything its text is shown there instead; the verdict
// follows all the same. An empty path (the program's own folder is unknown)
// writes no file anywhere and is reported under the bare file name.
ListingOutcome writeListing(const platform::SystemPaths& paths, const std::string& listingPath,
                            const ListingContent& content, TextOut& console);

// Puts in the listing at `listingPath` that the scan could not be done, with
// the error and what to do (as the console told them); an earlier listing
// must not stand as if current. False when it could not be written.
bool writeNoScanListing(const platform::SystemPaths& paths, const std::string& listingPath, const std::string& error);

}  // namespace report
