#include "report/restoring.h"

#include "report/texts.h"

namespace report {

void printRestore(TextOut& console, const RestoreReport& report) {
  console.print(kRestoreHeading);
  if (report.files.empty()) {
    console.print(kRestoreNothing);
    return;
  }
  if (!report.backupFolder.empty()) console.print(formatText(kRestoreBackupFolder, report.backupFolder.c_str()));
  for (const RestoredFile& file : report.files) {
    console.print(file.restored ? formatText(kRestored, file.target.c_str())
                                : formatText(kNotRestored, file.target.c_str(), file.reason.c_str()));
  }
}

void printUndo(TextOut& console, const UndoReport& report) {
  if (report.backupFolder.empty()) {
    console.print(kNoRestoreToUndo);
    return;
  }
  console.print(formatText(kUndoHeading, report.backupFolder.c_str()));
  for (const PutBackFile& file : report.files) {
    switch (file.result) {
      case PutBackFile::Result::PutBack:
        console.print(formatText(kPutBack, file.target.c_str()));
        break;
      case PutBackFile::Result::AlreadyBefore:
        console.print(formatText(kAlreadyBefore, file.target.c_str()));
        break;
      case PutBackFile::Result::ChangedSince:
        console.print(formatText(kChangedSince, file.target.c_str()));
        break;
      case PutBackFile::Result::Failed:
        console.print(formatText(kNotPutBack, file.target.c_str(), file.reason.c_str()));
        break;
    }
  }
  console.print(report.markedUndone ? kUndoComplete : kUndoIncomplete);
}

}  // namespace report
