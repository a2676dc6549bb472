#include "report/restoring.h"

#include <algorithm>

#include "report/texts.h"

namespace report {

namespace {

using restore::PutBackFile;
using restore::Reason;

// The system's words for a failure that carries them.
std::string withSystemWords(const char* format, const restore::Failure& failure) {
  return formatText(format, failure.system ? failure.system->message.c_str() : "");
}

void printNotDurable(TextOut& console, const std::optional<platform::FileFailure>& notDurable) {
  if (notDurable) console.print(formatText(kNotDurable, notDurable->message.c_str()));
}

void printRestored(TextOut& console, const restore::RestoredFile& file) {
  if (!file.sameFileAs.empty()) {
    console.print(formatText(file.restored() ? kRestoredSameFile : kNotRestoredSameFile, file.target.c_str()));
    return;
  }
  if (!file.restored()) {
    console.print(formatText(kNotRestored, file.target.c_str(), failureText(*file.failure).c_str()));
    return;
  }
  console.print(formatText(kRestored, file.target.c_str()));
  if (file.otherNames > 0) console.print(formatText(kOtherNamesKeepOldBytes, static_cast<unsigned>(file.otherNames)));
  printNotDurable(console, file.notDurable);
}

std::string listProblemText(const restore::ManifestProblem& problem) {
  using Kind = restore::ManifestProblem::Kind;
  switch (problem.kind) {
    case Kind::CutShort: return kListCutShort;
    case Kind::SumMismatch: return kListSumMismatch;
    case Kind::LineUnreadable: return formatText(kListLineUnreadable, static_cast<unsigned>(problem.line));
  }
  return kListCutShort;
}

}  // namespace

std::string failureText(const restore::Failure& failure) {
  switch (failure.reason) {
    case Reason::PathNotRecordable: return kReasonPathNotRecordable;
    case Reason::OwnFolderUnknown: return formatText(kReasonNoBackupFolder, kOwnFolderUnknown);
    case Reason::NoBackupFolder: return withSystemWords(kReasonNoBackupFolder, failure);
    case Reason::SymbolicLink: return formatText(kReasonSymbolicLink, failure.detail.c_str());
    case Reason::InUse: return kReasonInUse;
    case Reason::Missing: return kReasonMissing;
    case Reason::OutsideInstallation: return formatText(kReasonOutside, failure.detail.c_str());
    case Reason::Unreadable: return kReasonUnreadable;
    case Reason::BackupFailed: return withSystemWords(kReasonBackupFailed, failure);
    case Reason::ListFailed: return withSystemWords(kReasonListFailed, failure);
    case Reason::OriginalChanged: return kReasonOriginalChanged;
    case Reason::WriteFailed: return withSystemWords(kReasonWriteFailed, failure);
    case Reason::ReadBackFailed: return kReasonReadBackFailed;
    case Reason::ChangedMeanwhile: return kReasonChangedMeanwhile;
    case Reason::ReplaceFailed: return withSystemWords(kReasonReplaceFailed, failure);
    case Reason::BackupChanged: return kReasonBackupChanged;
    case Reason::OldWriteFailed: return withSystemWords(kReasonOldWriteFailed, failure);
  }
  return kReasonUnreadable;
}

void printRestore(TextOut& console, const restore::RestoreReport& report) {
  console.print(kRestoreHeading);
  if (report.files.empty()) {
    console.print(kRestoreNothing);
    return;
  }
  if (!report.backupFolder.empty()) console.print(formatText(kRestoreBackupFolder, report.backupFolder.c_str()));
  for (const restore::RestoredFile& file : report.files) printRestored(console, file);
}

void printUndo(TextOut& console, const restore::UndoReport& report) {
  if (report.damaged) {
    console.print(formatText(kUndoListDamaged, report.damaged->path.c_str(), listProblemText(report.damaged->problem).c_str()));
    return;
  }
  if (report.backupFolder.empty()) {
    console.print(kNoRestoreToUndo);
    return;
  }
  console.print(formatText(kUndoHeading, report.backupFolder.c_str()));
  for (const PutBackFile& file : report.files) {
    switch (file.result) {
      case PutBackFile::Result::PutBack:
        console.print(formatText(kPutBack, file.target.c_str()));
        printNotDurable(console, file.notDurable);
        break;
      case PutBackFile::Result::AlreadyBefore:
        console.print(formatText(kAlreadyBefore, file.target.c_str()));
        break;
      case PutBackFile::Result::ChangedSince:
        console.print(formatText(kChangedSince, file.target.c_str()));
        break;
      case PutBackFile::Result::Failed:
        console.print(formatText(kNotPutBack, file.target.c_str(),
                                 file.failure ? failureText(*file.failure).c_str() : ""));
        break;
    }
  }
  console.print(report.markedUndone ? kUndoComplete : kUndoIncomplete);
  const auto putBack = static_cast<int>(std::count_if(report.files.begin(), report.files.end(), [](const PutBackFile& file) {
    return file.result == PutBackFile::Result::PutBack;
  }));
  console.print(formatText(kUndoSummary, putBack, static_cast<int>(report.files.size()) - putBack));
}

void printRestoreSummary(TextOut& console, const RestoreTally& tally) {
  console.print(formatText(kRestoreSummary, tally.restored, tally.withoutOriginal + tally.notReplaced,
                           tally.withoutOriginal, tally.notReplaced));
  if (tally.addOnsStillBad > 0) console.print(formatText(kRestoreSummaryAddOns, tally.addOnsStillBad));
}

}  // namespace report
