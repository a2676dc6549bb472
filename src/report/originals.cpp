#include "report/originals.h"

#include <algorithm>

#include "checks/stock_tables.h"
#include "report/texts.h"

namespace report {

namespace {

using originals::OriginalFinding;
using originals::VerifiedOriginal;

std::string placeLine(const originals::SearchedPlace& place) {
  switch (place.kind) {
    case originals::SearchedPlace::Kind::Missing: return formatText(kOriginalPlaceMissing, place.path.c_str());
    case originals::SearchedPlace::Kind::NotSearchable:
      return formatText(kOriginalPlaceNotSearchable, place.path.c_str());
    case originals::SearchedPlace::Kind::Searched: break;
  }
  return formatText(kOriginalPlace, place.path.c_str());
}

std::string paragraph(const OriginalFinding& finding) {
  std::string text = formatText(kOriginalFile, finding.badPath.shown().c_str(), stockLabel(finding.isStock));
  if (!finding.isStock) return text + kOriginalOfAddOn;
  if (finding.original) {
    const VerifiedOriginal& original = *finding.original;
    text += original.entry.empty() ? formatText(kOriginalFound, original.path.c_str())
                                   : formatText(kOriginalFoundInCabinet, original.entry.c_str(), original.path.c_str());
    text += finding.original->byChecksum ? formatText(kOriginalByChecksum, static_cast<unsigned>(finding.original->crc))
                                         : std::string(kOriginalBySection);
    return finding.soundButChanged ? text + kOriginalOfChangedFile : text;
  }
  if (finding.holdsReference) {
    return text + formatText(kOriginalHoldsReference, static_cast<unsigned>(checks::findStockChecksum(
                                                          finding.badPath.fileName()).value_or(0)));
  }
  text += kOriginalNotFound;
  for (const originals::SearchedPlace& place : finding.searched) text += placeLine(place);
  return finding.noOpticalDrive ? text + kOriginalNoDrive : text;
}

// Entries listed under a cabinet, at most: a crafted cabinet may list thousands.
constexpr std::size_t kEntriesShown = 20;

const char* problemText(cabinets::CabinetProblem problem) {
  switch (problem) {
    case cabinets::CabinetProblem::CannotOpen:
      return kCabinetCannotOpen;
    case cabinets::CabinetProblem::NotACabinet:
      return kCabinetNotACabinet;
    case cabinets::CabinetProblem::Damaged:
      return kCabinetDamaged;
  }
  return kCabinetDamaged;
}

const char* problemText(cabinets::EntryProblem problem) {
  switch (problem) {
    case cabinets::EntryProblem::TooLarge: return kEntryTooLarge;
    case cabinets::EntryProblem::NoSuchFolder: return kEntryNoSuchFolder;
    case cabinets::EntryProblem::UnknownCompression: return kEntryUnknownCompression;
    case cabinets::EntryProblem::BeyondFolder: return kEntryBeyondFolder;
    case cabinets::EntryProblem::CutShort: return kEntryCutShort;
    case cabinets::EntryProblem::FailedChecksum: return kEntryFailedChecksum;
    case cabinets::EntryProblem::InMissingPart: return kEntryInMissingPart;
    case cabinets::EntryProblem::FromMissingPart: return kEntryFromMissingPart;
    case cabinets::EntryProblem::Undecodable: return kEntryUndecodable;
    case cabinets::EntryProblem::NoMemory: return kEntryNoMemory;
  }
  return kEntryUndecodable;
}

// A name read from a cabinet, which may hold any bytes: control characters
// shown as '?', so that none reaches the console as a command.
std::string shownName(const std::string& name) {
  std::string shown = name;
  std::replace_if(
      shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
  return shown;
}

std::string summaryOf(const cabinets::CabinetReading& reading) {
  if (reading.problem) return problemText(*reading.problem);
  const std::size_t notRead = reading.notRead.size();
  // Nothing listed before a cut list is nothing searched too.
  if (notRead == reading.bglEntries && (notRead > 0 || reading.listCutShort)) return kCabinetNothingSearched;
  if (notRead == 0) return kCabinetAllListedSearched;
  return formatText(kCabinetSomeNotSearched, static_cast<unsigned>(notRead), static_cast<unsigned>(reading.bglEntries));
}

std::string cabinetParagraph(const originals::CabinetNotRead& cabinet) {
  const cabinets::CabinetReading& reading = cabinet.reading;
  std::string text = formatText(kCabinetNotRead, cabinet.path.c_str(), summaryOf(reading).c_str());
  if (reading.missingPreviousPart) {
    text += formatText(kCabinetPreviousPartMissing, shownName(*reading.missingPreviousPart).c_str());
  }
  if (reading.missingNextPart) text += formatText(kCabinetNextPartMissing, shownName(*reading.missingNextPart).c_str());
  if (reading.listCutShort) text += kCabinetListCutShort;
  for (std::size_t i = 0; i < reading.notRead.size() && i < kEntriesShown; ++i) {
    const cabinets::EntryNotRead& entry = reading.notRead[i];
    text += formatText(kCabinetEntryNotRead, shownName(entry.name).c_str(), problemText(entry.problem));
  }
  if (reading.notRead.size() > kEntriesShown) {
    text += formatText(kCabinetEntriesNotShown, static_cast<unsigned>(reading.notRead.size() - kEntriesShown));
  }
  return text;
}

}  // namespace

void printOriginals(TextOut& console, const std::vector<OriginalFinding>& findings,
                    const std::vector<originals::CabinetNotRead>& cabinetsNotRead) {
  if (findings.empty()) return;
  console.print(kOriginalsHeading);
  for (const OriginalFinding& finding : findings) console.print(paragraph(finding));
  if (cabinetsNotRead.empty()) return;
  console.print(kCabinetsNotReadHeading);
  for (const originals::CabinetNotRead& cabinet : cabinetsNotRead) {
    console.print(cabinetParagraph(cabinet));
  }
}

void SearchProgressLine::filesRead(int count) { console_.print(formatText(kOriginalsProgress, count)); }

void SearchProgressLine::finished() { console_.print(kAreaWalkEnd); }

}  // namespace report
