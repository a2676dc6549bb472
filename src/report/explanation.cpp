#include "report/explanation.h"

#include <unordered_map>
#include <utility>
#include <variant>

#include "report/texts.h"

namespace report {

namespace {

// An offset or identifier as 0x and at least eight hexadecimal digits.
std::string hexText(std::uint64_t value) {
  std::string digits;
  for (int shift = 60; shift >= 0; shift -= 4) {
    const auto digit = static_cast<unsigned>((value >> shift) & 0xF);
    if (digit != 0 || !digits.empty() || shift < 32) digits += "0123456789ABCDEF"[digit];
  }
  return "0x" + digits;
}

std::string numberText(std::uint64_t value, bool hex) { return hex ? hexText(value) : std::to_string(value); }

std::string checksumText(const checks::ChecksumComparison& checksum) {
  if (checksum.matches()) return formatText(kChecksumAsExpected, static_cast<unsigned>(checksum.computed));
  return formatText(kChecksumAbnormal, static_cast<unsigned>(checksum.computed),
                    static_cast<unsigned>(checksum.expected));
}

std::string reasonText(const decltype(checks::BadFileRecord::reason)& reason) {
  if (const auto* section = std::get_if<checks::SectionVerdict>(&reason)) return formatErrorText(*section);
  if (const auto* checksum = std::get_if<checks::ChecksumComparison>(&reason)) return checksumText(*checksum);
  return kStockNameWithoutHeader;
}

void printAreas(TextOut& console, const std::vector<scan::AreaSummary>& areas) {
  console.print(kExplainAreasHeading);
  if (areas.empty()) console.print(kExplainNoAreas);
  for (const scan::AreaSummary& area : areas) {
    console.print(area.exists ? formatText(kExplainArea, area.number, area.folder.c_str(), area.allFiles,
                                           area.facilityFiles)
                              : formatText(kExplainMissingArea, area.number, area.folder.c_str()));
  }
}

const char* failureText(const platform::FileFailure& failure) {
  switch (failure.kind) {
    case platform::FileFailure::Kind::AccessDenied: return kAccessDenied;
    case platform::FileFailure::Kind::InUse: return kInUse;
    case platform::FileFailure::Kind::DeviceName: return kDeviceName;
    case platform::FileFailure::Kind::NameNotWindows: return kNameNotWindows;
    case platform::FileFailure::Kind::Missing: return kFolderMissing;
    case platform::FileFailure::Kind::Other: break;
  }
  return failure.message.c_str();
}

void printUnread(TextOut& console, const std::vector<scan::UnreadRecord>& unread) {
  if (unread.empty()) return;
  console.print(kExplainUnreadHeading);
  for (const scan::UnreadRecord& record : unread) {
    console.print(formatText(kExplainUnread, record.path.c_str(), failureText(record.failure)));
  }
}

unsigned long lineNumber(std::size_t line) { return static_cast<unsigned long>(line); }

std::string noteText(const scan::ConfigNote& note) {
  using Kind = scan::ConfigNote::Kind;
  const char* section = note.section.c_str();
  switch (note.kind) {
    case Kind::NeverRead:
      return formatText(kExplainNeverRead, lineNumber(note.line), section, note.local.c_str());
    case Kind::Repeated:
      return formatText(kExplainRepeated, lineNumber(note.line), section, lineNumber(note.firstLine));
    case Kind::Inactive: return formatText(kExplainInactive, lineNumber(note.line), section);
    case Kind::FolderScannedBefore:
      return formatText(kExplainScannedBefore, lineNumber(note.line), section, note.earlierArea);
  }
  return {};
}

void printConfigNotes(TextOut& console, const scan::ConfigSurvey& config) {
  if (config.notes.empty() && config.notShown == 0) return;
  console.print(formatText(kExplainConfigHeading, config.configPath.c_str()));
  for (const scan::ConfigNote& note : config.notes) console.print(noteText(note));
  if (config.notShown > 0) console.print(formatText(kExplainNotShown, lineNumber(config.notShown)));
}

// The bad files once each, in the listing's order (format errors first, then
// checksums), each with the reasons of every record it has.
void printBadFiles(TextOut& console, const checks::BadFileLists& lists) {
  std::vector<std::pair<std::string, std::string>> files;  // heading, reasons
  std::unordered_map<std::string, std::size_t> indexOfPath;
  for (const checks::BadFileList* list : {&lists.formatErrorList, &lists.checksumErrorList}) {
    for (const checks::BadFileRecord& record : *list) {
      const auto [place, isNew] = indexOfPath.try_emplace(record.path.shown(), files.size());
      if (isNew) {
        files.emplace_back(formatText(kListingRecord, record.path.shown().c_str(), stockLabel(record.isStock)), "");
      }
      files[place->second].second += reasonText(record.reason);
    }
  }
  if (files.empty()) return;
  console.print(kExplainBadFilesHeading);
  for (const auto& [heading, reasons] : files) console.print(heading + reasons);
}

}  // namespace

std::string formatErrorText(const checks::SectionVerdict& verdict) {
  const SectionFaultText text = sectionFaultText(verdict.fault);
  std::string numbers;
  if (text.numbers != nullptr) {
    numbers = formatText(text.numbers, numberText(verdict.found, text.hex).c_str(),
                         numberText(verdict.expected, text.hex).c_str());
  }
  const std::string offset = hexText(verdict.offset);
  const std::string place =
      verdict.entry > 0 ? formatText(kPlaceInEntry, static_cast<unsigned>(verdict.entry), offset.c_str())
                        : formatText(kPlace, offset.c_str());
  return formatText(kFormatError, text.rule, numbers.c_str(), place.c_str());
}

void printExplanation(TextOut& console, const ScanAccount& scan) {
  printAreas(console, scan.areas);
  printConfigNotes(console, scan.config);
  printUnread(console, scan.unread);
  printBadFiles(console, scan.lists);
}

void printNamedFile(TextOut& console, const std::string& path, const scan::NamedFileResult& result) {
  std::string paragraph = formatText(kNamedFilePath, path.c_str());
  const char* label = stockLabel(result.verdict.isStock);
  if (result.missing) {
    paragraph += kNamedFileMissing;
  } else if (!result.opened) {
    paragraph += kNamedFileCannotOpen;
  } else if (result.verdict.stockWithoutHeader()) {
    paragraph += formatText(kNamedFileStockNotFacility, label) + kStockNameWithoutHeader;
  } else if (!result.verdict.facility) {
    paragraph += kNamedFileNotFacility;
  } else {
    paragraph += formatText(kNamedFileFacility, label);
    if (result.verdict.checksum) paragraph += checksumText(*result.verdict.checksum);
    paragraph += result.verdict.section.sound() ? std::string(kSectionSound) : formatErrorText(result.verdict.section);
  }
  if (result.opened && result.verdict.bad()) {
    paragraph += result.verdict.isStock ? kNamedFileStockAdvice : kNamedFileAddOnAdvice;
  }
  console.print(paragraph + kNamedFileEnd);
}

void printEmptyNamedFolder(TextOut& console, const std::string& path) {
  console.print(formatText(kNamedFilePath, path.c_str()) + kNamedFolderEmpty + kNamedFileEnd);
}

}  // namespace report
