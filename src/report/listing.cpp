#include "report/listing.h"

#include <cstdio>

#include "platform/platform.h"
#include "report/texts.h"

namespace report {

namespace {

using platform::FileHandle;

void writeRecords(TextOut& out, const checks::BadFileList& list) {
  for (const checks::BadFileRecord& record : list) {
    const char* label = record.isStock ? kStockFileLabel : kAddOnFileLabel;
    out.print(formatText(kListingRecord, record.path.c_str(), label));
  }
}

void writeListingBody(TextOut& out, const checks::BadFileLists& lists) {
  out.print(kListingHeading);
  if (!lists.formatErrorList.empty()) {
    out.print(kFormatErrorExplanation);
    writeRecords(out, lists.formatErrorList);
    out.print("\n");
  } else {
    out.print(kNoFormatErrors);
  }
  if (!lists.checksumErrorList.empty()) {
    out.print(kChecksumExplanation);
    writeRecords(out, lists.checksumErrorList);
  }
}

}  // namespace

ListingOutcome writeListing(const std::string& listingPath, const checks::BadFileLists& lists,
                            TextOut& console) {
  ListingOutcome outcome{false, lists.anyBad()};
  // Binary mode: the text writer makes the CR LF line ends itself. A path over
  // the limit is refused rather than cut into another path.
  FileHandle file;
  if (listingPath.size() <= platform::kMaxPathLength) file.reset(platform::openForWriting(listingPath));
  if (file) {
    (void)std::setvbuf(file.get(), nullptr, _IOFBF, kOutputBlockSize);  // a default buffer writes the same bytes
    TextOut out(file.get(), false);
    writeListingBody(out, lists);
    // A listing cut short by a failed write is no listing.
    outcome.created = std::fclose(file.release()) == 0 && !out.failed();
  }
  if (!outcome.created) console.print(formatText(kCantCreateListing, listingPath.c_str()));
  console.print(outcome.anyBad ? formatText(kVerdictBadFiles, kListingFileName) : std::string(kVerdictClean));
  return outcome;
}

}  // namespace report
