#include "report/listing.h"

#include <cstdio>

#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/texts.h"

namespace report {

namespace {

bool tellsTheCure(const ListingContent& content) { return content.tellTheCure && content.lists.anyBadStock(); }

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
    for (const scan::UnreadRecord& record : content.unread) {
      const bool missing = record.failure.kind == platform::FileFailure::Kind::Missing;
      text += formatText(missing ? kUnreadMissingRecord : kUnreadRecord, record.path.c_str());
    }
  }
  if (tellsTheCure(content)) text += kCureHint;
  return text;
}

// Puts `text` in the listing at `listingPath`, in one step: true when all of
// it is on the disk. A power loss leaves the earlier listing or this one.
bool writeListingFile(const platform::SystemPaths& paths, const std::string& listingPath, const std::string& text) {
  // A path over the limit is refused rather than cut into another path.
  if (listingPath.empty() || !platform::fitsPathLimit(paths, listingPath)) return false;
  const std::string bytes = withWindowsLineEnds(text);
  return platform::replaceWholeFile(listingPath, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
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
  // A listing shown here holds the paragraph already.
  if (tellsTheCure(content) && !namesLost) console.print(kCureHint);
  return outcome;
}

bool writeNoScanListing(const platform::SystemPaths& paths, const std::string& listingPath, const std::string& error) {
  return writeListingFile(paths, listingPath, std::string(kListingHeading) + kListingNoScan + error);
}

}  // namespace report
