#include "restore/backup_folders.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>

#include "originals/original_search.h"
#include "restore/restorer.h"

namespace restore {

namespace {

constexpr std::string_view kFolderPrefix = "Restore ";

// The words for a list that was written but did not read back as written.
constexpr const char* kListNotReadBack = "it did not read back as written";

// How many numbers a new restore tries past the highest kept, when another
// run took the same one at the same moment.
constexpr std::uint64_t kNumberAttempts = 100;

std::string backupsRoot(const std::string& ownFolder) { return inFolder(ownFolder, kBackupsFolderName); }

// The number in a folder name "Restore N, date time"; 0 for any other name.
std::uint64_t numberInName(const std::string& name) {
  if (!name.starts_with(kFolderPrefix)) return 0;
  const char* start = name.data() + kFolderPrefix.size();
  std::uint64_t number = 0;
  const auto [end, error] = std::from_chars(start, name.data() + name.size(), number);
  if (error != std::errc() || end == start || *end != ',') return 0;
  return number;
}

// The local date and time, for people reading the folder's name: the
// sequence, not the clock, orders the restores.
std::string timeStamp() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  char text[32] = {};
  if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H.%M.%S", local) == 0) return "0000-00-00 00.00.00";
  return text;
}

std::string readList(platform::FileSystem& files, const std::string& path) {
  std::string text;
  files.readFileInBlocks(path, [&text](std::string_view block) { text += block; });
  return text;
}

// True for a file a restore writes into its backup folder: a copy ("1
// geopol12.bgl") or a temporary list.
bool isRestoresOwnFile(const std::string& name) {
  const bool copy = !name.empty() && name[0] >= '0' && name[0] <= '9' && name.find(' ') != std::string::npos &&
                    std::all_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(name.find(' ')),
                                [](char c) { return c >= '0' && c <= '9'; });
  return copy || (name.starts_with(kManifestName) && name.ends_with(originals::kTemporarySuffix));
}

}  // namespace

std::string manifestPath(const std::string& folder) { return inFolder(folder, kManifestName); }

std::vector<KeptRestore> keptRestores(platform::FileSystem& files, const std::string& ownFolder) {
  const std::string root = backupsRoot(ownFolder);
  std::vector<KeptRestore> kept;
  for (const std::string& name : files.listFolder(root + platform::pathSeparator()).folders) {
    KeptRestore restore{inFolder(root, name), name, numberInName(name), false, {}};
    const std::string list = manifestPath(restore.folder);
    restore.hasList = files.isExistingFile(list);
    if (restore.hasList) restore.reading = parseManifest(readList(files, list));
    if (restore.reading.manifest && !restore.reading.manifest->earlier()) {
      restore.number = restore.reading.manifest->number;
    }
    kept.push_back(std::move(restore));
  }
  std::sort(kept.begin(), kept.end(), [](const KeptRestore& a, const KeptRestore& b) {
    return a.number != b.number ? a.number > b.number : a.name > b.name;
  });
  return kept;
}

std::optional<Failure> saveManifest(const Disk& disk, const std::string& folder, const Manifest& manifest) {
  const std::string path = manifestPath(folder);
  const std::string temporary = path + std::string(originals::kTemporarySuffix);
  disk.files().removeFile(temporary);
  const std::string text = manifestText(manifest);
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (std::optional<Failure> refused = disk.writeProven(temporary, bytes, Reason::ListFailed)) {
    if (refused->system) return refused;
    return failure(Reason::ListFailed, platform::FileFailure{platform::FileFailure::Kind::Other, kListNotReadBack});
  }
  const platform::ReplaceOutcome replaced = disk.files().replaceFile(temporary, path);
  if (replaced.replaced && !replaced.failure) return std::nullopt;
  if (!replaced.replaced) disk.files().removeFile(temporary);
  return failure(Reason::ListFailed, replaced.failure);
}

NewBackupFolder makeBackupFolder(platform::FileSystem& files, const std::string& ownFolder,
                                 const std::vector<KeptRestore>& kept) {
  const std::string root = backupsRoot(ownFolder);
  if (!files.pathExists(root)) {
    if (std::optional<platform::FileFailure> refused = files.createFolder(root)) {
      return {{}, 0, failure(Reason::NoBackupFolder, std::move(refused))};
    }
  }
  const std::uint64_t highest = kept.empty() ? 0 : kept.front().number;
  const std::string stamp = timeStamp();
  std::optional<platform::FileFailure> refused;
  for (std::uint64_t number = highest + 1; number <= highest + kNumberAttempts; ++number) {
    const std::string folder = inFolder(root, std::string(kFolderPrefix) + std::to_string(number) + ", " + stamp);
    if (files.pathExists(folder)) continue;
    refused = files.createFolder(folder);
    if (!refused) return {folder, number, std::nullopt};
    if (files.pathExists(folder)) continue;  // made by another run meanwhile
    break;
  }
  return {{}, 0, failure(Reason::NoBackupFolder, std::move(refused))};
}

namespace {

void removeOwnFiles(platform::FileSystem& files, const std::string& folder) {
  for (const std::string& name : files.listFolder(folder + platform::pathSeparator()).files) {
    if (isRestoresOwnFile(name)) files.removeFile(inFolder(folder, name));
  }
  files.removeFolder(folder);
}

}  // namespace

void removeBackupFolder(platform::FileSystem& files, const std::string& folder) {
  if (!files.removeFile(manifestPath(folder))) return;
  removeOwnFiles(files, folder);
}

void removeFolderWithoutList(platform::FileSystem& files, const std::string& folder) {
  // Asked again, another way: a list that a failed look missed must keep its copies.
  if (files.pathExists(manifestPath(folder))) return;
  removeOwnFiles(files, folder);
}

std::string newTemporaryTag(std::uint64_t number) {
  std::uint32_t random = 0;
  try {
    random = std::random_device{}();
  } catch (const std::exception&) {
    // No source of randomness: the clock's finest count tells one step from the next.
  }
  random ^= static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  char text[9];
  (void)std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(random));
  return std::to_string(number) + "-" + text;
}

}  // namespace restore
