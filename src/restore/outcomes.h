#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "restore/manifest.h"

// What a restore and an undo did, as values: each file's result, and for a
// file left as it was, the reason with the system's failure where there is one.
namespace restore {

// Why a file was left as it was.
enum class Reason {
  PathNotRecordable,  // its path holds a tab or a line end: no backup list could name it
  OwnFolderUnknown,   // no backup folder: the program's own folder is unknown
  NoBackupFolder,     // no backup folder: the system refused it (`system`)
  SymbolicLink,       // it is a symbolic link (`detail`: where it leads), which is never replaced
  InUse,              // another program holds it open
  Missing,            // undo: it is gone since the restore
  OutsideInstallation,  // undo: its list names it outside the host folder found now
  Unreadable,         // it could not be read, so not backed up
  BackupFailed,       // its backup could not be written (`system`)
  ListFailed,         // the backup's list could not be written (`system`)
  OriginalChanged,    // its original no longer reads as it did when it was verified
  WriteFailed,        // its original could not be written beside it (`system`)
  ReadBackFailed,     // what was written did not read back as written
  ChangedMeanwhile,   // it changed after it was backed up
  ReplaceFailed,      // it could not be replaced (`system`)
  BackupChanged,      // undo: its copy in the backup folder no longer reads as it was kept
  OldWriteFailed,     // undo: its old bytes could not be written beside it (`system`)
};

struct Failure {
  Reason reason;
  std::optional<platform::FileFailure> system;
  std::string detail;
};

// What a restore did to one bad stock file that had a verified original.
struct RestoredFile {
  std::string target;
  std::optional<Failure> failure;  // why it was left as it was; nothing: restored
  std::string sameFileAs;          // a file restored above, reached another way: this one is that one
  std::uint32_t otherNames = 0;    // its other names (hard links), which keep the old bytes
  std::optional<platform::FileFailure> notDurable;  // replaced, but the folder's flush failed
  bool restored() const { return !failure; }
};

// What --restore did, after the search for originals.
struct RestoreReport {
  std::string backupFolder;  // empty when none was kept
  std::vector<RestoredFile> files;
  // True when every file is restored and on the disk.
  bool whole() const;
};

// What --undo did to one file of the restore it undid.
struct PutBackFile {
  enum class Result {
    PutBack,        // its old bytes are back
    AlreadyBefore,  // it held its old bytes already
    ChangedSince,   // it holds neither: left as it is
    Failed,         // its old bytes could not be put back: left as it is (`failure`)
  };
  std::string target;
  Result result = Result::Failed;
  std::optional<Failure> failure;  // for Failed
  std::optional<platform::FileFailure> notDurable;  // put back, but the folder's flush failed
};

// A backup list that proves not to be one: its path and what is wrong.
struct DamagedList {
  std::string path;
  ManifestProblem problem;
};

// What --undo did; no backup folder when there was no restore to undo.
struct UndoReport {
  std::string backupFolder;
  std::vector<PutBackFile> files;
  bool markedUndone = false;          // the restore is marked undone (every file holds its old bytes)
  std::optional<DamagedList> damaged;  // the latest list could not be read: nothing was undone
  // True when the undo did all it was asked, or there was nothing to undo.
  bool whole() const;
};

}  // namespace restore
