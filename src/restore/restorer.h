#pragma once

#include <optional>
#include <string>
#include <vector>

#include "checks/crc32.h"
#include "originals/findings.h"
#include "platform/file_system.h"
#include "restore/outcomes.h"

// Putting verified originals in the place of bad stock files, and taking
// them out again, without ever losing a byte: every file written is read back
// and proven by its CRC-32 before it counts; the old bytes and the list of
// what may change are on the disk, in a backup folder, before any file is
// replaced; a file is replaced in one step, so that it holds either its old
// bytes or the new ones. A run killed at any moment leaves no file half
// written, and the next run clears what it left. Every call reaches the disk
// through the file system it is given.
namespace restore {

// Beside the program: one folder per restore, named by its number in the
// sequence of restores and, for people, its date and time.
inline constexpr const char* kBackupsFolderName = "Trawlex backups";

// One bad stock file and its verified original.
struct Replacement {
  platform::Path target;
  originals::VerifiedOriginal original;
};

// Where a restore keeps its backups, and the installation its list is
// relative to.
struct Site {
  std::optional<std::string> ownFolder;  // nothing: the program's own folder is unknown
  std::string hostFolder;                // as found, ending with its separator
};

// Finishes what a restore or an undo stopped midway left under `ownFolder`:
// removes the temporary files its list names (only while they hold no more
// than the bytes it meant to write), puts back the read-only marks it
// records, removes a backup folder whose list never reached the disk and a
// restore that replaced nothing. Only steps made for the site's host folder
// are finished. Done before a restore looks for originals, and by an undo.
void finishInterrupted(platform::FileSystem& files, const Site& site, checks::Crc32Function crcKernel);

// Restores each file of `replacements` in turn, keeping the old ones in a new
// backup folder under the site's own folder; without it nothing is replaced.
RestoreReport restoreFiles(platform::FileSystem& files, const std::vector<Replacement>& replacements,
                           const Site& site, checks::Crc32Function crcKernel);

// Puts back the files of the latest restore under the site's own folder
// not yet undone (the highest in the sequence), each only while it still
// holds the bytes the restore put there, and only inside the site's host
// folder.
UndoReport undoLatestRestore(platform::FileSystem& files, const Site& site, checks::Crc32Function crcKernel);

}  // namespace restore
