#include "report/originals.h"

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
    return text + (finding.original->byChecksum
                       ? formatText(kOriginalByChecksum, static_cast<unsigned>(finding.original->crc))
                       : std::string(kOriginalBySection));
  }
  if (finding.holdsReference) {
    return text + formatText(kOriginalHoldsReference, static_cast<unsigned>(checks::findStockChecksum(
                                                          finding.badPath.fileName()).value_or(0)));
  }
  text += kOriginalNotFound;
  for (const originals::SearchedPlace& place : finding.searched) text += placeLine(place);
  return finding.noOpticalDrive ? text + kOriginalNoDrive : text;
}

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

}  // namespace

void printOriginals(TextOut& console, const std::vector<OriginalFinding>& findings,
                    const std::vector<originals::CabinetNotRead>& cabinetsNotRead) {
  if (findings.empty()) return;
  console.print(kOriginalsHeading);
  for (const OriginalFinding& finding : findings) console.print(paragraph(finding));
  if (cabinetsNotRead.empty()) return;
  console.print(kCabinetsNotReadHeading);
  for (const originals::CabinetNotRead& cabinet : cabinetsNotRead) {
    console.print(formatText(kCabinetNotRead, cabinet.path.c_str(), problemText(cabinet.problem)));
  }
}

void SearchProgressLine::filesRead(int count) { console_.print(formatText(kOriginalsProgress, count)); }

void SearchProgressLine::finished() { console_.print(kAreaWalkEnd); }

}  // namespace report
