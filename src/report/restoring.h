#pragma once

#include <string>
#include <vector>

#include "report/text_out.h"

namespace report {

// What a restore did to one bad stock file that had a verified original.
struct RestoredFile {
  std::string target;
  bool restored = false;
  std::string reason;  // why it was left as it was, when it was
};

// What --restore did, after the search for originals.
struct RestoreReport {
  std::string backupFolder;  // empty when none was made
  std::vector<RestoredFile> files;
};

// What --undo did to one file of the restore it undid.
struct PutBackFile {
  enum class Result {
    PutBack,        // its old bytes are back
    AlreadyBefore,  // it held its old bytes already
    ChangedSince,   // it holds neither: left as it is
    Failed,         // its old bytes could not be put back: left as it is
  };
  std::string target;
  Result result = Result::Failed;
  std::string reason;  // for Failed
};

// What --undo did; no backup folder when there was no restore to undo.
struct UndoReport {
  std::string backupFolder;
  std::vector<PutBackFile> files;
  bool markedUndone = false;  // the restore is marked undone (every file holds its old bytes)
};

void printRestore(TextOut& console, const RestoreReport& report);
void printUndo(TextOut& console, const UndoReport& report);

}  // namespace report
