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

// Beside the program: one folder per restore, named by its date and time.
inline constexpr const char* kBackupsFolderName = "Trawlex backups";

// One bad stock file and its verified original.
struct Replacement {
  platform::Path target;
  originals::VerifiedOriginal original;
};

// Removes the temporary files that a run stopped midway left: beside every
// file that a kept restore under `ownFolder` may change, and beside every
// backup list. Done before a restore looks for originals, and by an undo.
void clearLeftovers(platform::FileSystem& files, const std::string& ownFolder);

// Restores each file of `replacements` in turn, keeping the old ones in a new
// backup folder under `ownFolder`; without it (the program's own folder could
// not be read) nothing is replaced.
RestoreReport restoreFiles(platform::FileSystem& files, const std::vector<Replacement>& replacements,
                           const std::optional<std::string>& ownFolder, checks::Crc32Function crcKernel);

// Puts back the files of the latest restore under `ownFolder` not yet undone,
// each only while it still holds the bytes the restore put there.
UndoReport undoLatestRestore(platform::FileSystem& files, const std::string& ownFolder,
                             checks::Crc32Function crcKernel);

}  // namespace restore
