#include "report/listing.h"

#include <cstdio>

#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/texts.h"

namespace report {

namespace {

using platform::StreamHandle;

std::string recordLines(const checks::BadFileList& list) {
  std::string text;
  for (const checks::BadFileRecord& record : list) {
    text += formatText(kListingRecord, record.path.shown().c_str(), stockLabel(record.isStock));
  }
  return text;
}

// The listing's text, LF for each line end.
std::string listingText(const ListingContent& content) {
  std::string text = kListingHeading;
  if (!content.lists.formatErrorList.empty()) {
    text += kFormatErrorExplanation + recordLines(content.lists.formatErrorList) + "\n";
  } else {
    text += kNoFormatErrors;
  }
  if (!content.lists.checksumErrorList.empty()) {
    text += kChecksumExplanation + recordLines(content.lists.checksumErrorList);
  }
  if (!content.unread.empty()) {
    text += kUnreadExplanation;
    for (const scan::UnreadRecord& record : content.unread) text += formatText(kUnreadRecord, record.path.c_str());
  }
  return text;
}

// Writes `text` to a new or emptied file at `listingPath`: true when all of
// it reached the file.
bool writeListingFile(const platform::SystemPaths& paths, const std::string& listingPath, const std::string& text) {
  // A path over the limit is refused rather than cut into another path.
  if (listingPath.empty() || !platform::fitsPathLimit(paths, listingPath)) return false;
  StreamHandle file{platform::openForWriting(listingPath)};
  if (!file) return false;
  (void)std::setvbuf(file.get(), nullptr, _IOFBF, platform::kOutputBlockSize);  // a default buffer writes the same bytes
  // Binary mode: the text writer makes the CR LF line ends itself.
  TextOut out(file.get(), false);
  out.print(text);
  // A listing cut short by a failed write is no listing. The flush is asked
  // for, and the stream's error state read, before the close: some C
  // libraries' fclose reports success when its own last flush failed.
  const bool flushed = std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
  return std::fclose(file.release()) == 0 && flushed && !out.failed();
}

}  // namespace

ListingOutcome writeListing(const platform::SystemPaths& paths, const std::string& listingPath,
                            const ListingContent& content, TextOut& console) {
  const std::string text = listingText(content);
  const ListingOutcome outcome{writeListingFile(paths, listingPath, text), content.lists.anyBad()};
  // Without a place of its own the listing is named only by its file name.
  const char* shownPath = listingPath.empty() ? kListingFileName : listingPath.c_str();
  if (!outcome.created) console.print(formatText(kCantCreateListing, shownPath));
  // Names that the file could not keep are shown here, so that none is lost.
  const bool namesLost = !outcome.created && (outcome.anyBad || !content.unread.empty());
  const std::string listingHere = std::string(kListingShownHere) + text + "\n";
  if (outcome.anyBad) {
    console.print(kVerdictBadFiles + (namesLost ? listingHere : formatText(kReferToListing, kListingFileName)));
  } else {
    console.print(kVerdictClean + (namesLost ? listingHere : std::string()));
  }
  if (!content.unread.empty()) {
    console.print(formatText(kUnreadWarning, static_cast<int>(content.unread.size())));
  }
  return outcome;
}

}  // namespace report
