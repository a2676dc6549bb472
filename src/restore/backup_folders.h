#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "restore/disk.h"
#include "restore/manifest.h"

// The backup folders beside the program, one per restore: how they are
// named and numbered, found, ordered and removed, and how their lists are
// written. Internal to the restore.
namespace restore {

// One backup folder found beside the program.
struct KeptRestore {
  std::string folder;
  std::string name;
  std::uint64_t number = 0;  // its place in the sequence: its list's, else its name's; 0 for an earlier version's
  bool hasList = false;      // a list stands in it (readable or not)
  ManifestReading reading;
};

// Every backup folder under `ownFolder`, the latest in the sequence first
// (earlier versions' folders, unnumbered, last, by their date and time).
std::vector<KeptRestore> keptRestores(platform::FileSystem& files, const std::string& ownFolder);

std::string manifestPath(const std::string& folder);

// Writes the list whole beside its old form, flushed and proven, then puts it in place.
std::optional<Failure> saveManifest(const Disk& disk, const std::string& folder, const Manifest& manifest);

// A new backup folder numbered after every one kept, or why none could be made.
struct NewBackupFolder {
  std::string folder;
  std::uint64_t number = 0;
  std::optional<Failure> failure;
};
NewBackupFolder makeBackupFolder(platform::FileSystem& files, const std::string& ownFolder,
                                 const std::vector<KeptRestore>& kept);

// Removes a backup folder: its list first (from then on it records no
// restore), then the copies and temporary files that a restore writes there,
// then the folder, if nothing else is in it.
void removeBackupFolder(platform::FileSystem& files, const std::string& folder);

// Removes the copies and temporary files a restore writes into a backup
// folder that holds no list (its restore stopped before the list was on the
// disk, when no file had changed), and the folder if nothing else is in it.
void removeFolderWithoutList(platform::FileSystem& files, const std::string& folder);

// A tag for the temporary files of one step, unique to that step.
std::string newTemporaryTag(std::uint64_t number);

}  // namespace restore
