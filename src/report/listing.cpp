#include "report/listing.h"

#include <cstdio>

#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/texts.h"

namespace report {

namespace {

using platform::FileHandle;

void writeRecords(TextOut& out, const checks::BadFileList& list) {
  for (const checks::BadFileRecord& record : list) {
    out.print(formatText(kListingRecord, record.path.c_str(), stockLabel(record.isStock)));
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
  if (!listingPath.empty() && platform::fitsPathLimit(listingPath)) {
    file.reset(platform::openForWriting(listingPath));
  }
  if (file) {
    (void)std::setvbuf(file.get(), nullptr, _IOFBF, platform::kOutputBlockSize);  // a default buffer writes the same bytes
    TextOut out(file.get(), false);
    writeListingBody(out, lists);
    // A listing cut short by a failed write is no listing. The flush is asked
    // for, and the stream's error state read, before the close: some C
    // libraries' fclose reports success when its own last flush failed.
    const bool flushed = std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
    outcome.created = std::fclose(file.release()) == 0 && flushed && !out.failed();
  }
  // Without a place of its own the listing is named only by its file name.
  const char* shownPath = listingPath.empty() ? kListingFileName : listingPath.c_str();
  if (!outcome.created) console.print(formatText(kCantCreateListing, shownPath));
  console.print(outcome.anyBad ? formatText(kVerdictBadFiles, kListingFileName) : std::string(kVerdictClean));
  return outcome;
}

}  // namespace report
