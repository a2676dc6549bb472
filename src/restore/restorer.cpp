#include "restore/restorer.h"

#include <algorithm>
#include <ctime>
#include <optional>

#include "cabinets/cabinet_reader.h"
#include "checks/file_bytes.h"
#include "originals/original_search.h"
#include "platform/path_text.h"
#include "restore/manifest.h"

namespace restore {

namespace {

using Bytes = std::vector<std::uint8_t>;

// The most restores one second can name; more are refused.
constexpr int kFoldersPerSecond = 9;

std::string temporaryPath(const std::string& path) { return path + std::string(originals::kTemporarySuffix); }

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder + platform::pathSeparator() + name;
}

Failure failure(Reason reason, std::optional<platform::FileFailure> system = std::nullopt) {
  return {reason, std::move(system)};
}

// The disk as the restore and the undo see it: the file system they were
// given, and the CRC kernel that proves every byte read.
class Disk {
 public:
  Disk(platform::FileSystem& files, checks::Crc32Function kernel) : files_(files), kernel_(kernel) {}

  platform::FileSystem& files() const { return files_; }

  std::uint32_t crcOf(std::span<const std::uint8_t> bytes) const {
    checks::FileBytes inMemory(bytes);
    return checks::fileCrc32(inMemory, kernel_);
  }

  // Every byte of a regular file no larger than any original can be.
  std::optional<Bytes> wholeFile(const std::string& path) const {
    const platform::File file = files_.openForReading(path);
    const std::optional<std::uint64_t> size = platform::fileSize(file);
    if (!size || *size > cabinets::kMaxEntrySize) return std::nullopt;
    Bytes bytes(static_cast<std::size_t>(*size));
    if (!platform::readExactly(file, 0, bytes)) return std::nullopt;
    return bytes;
  }

  // True when the file at `path` holds bytes of that CRC-32.
  bool holds(const std::string& path, std::uint32_t crc) const {
    const std::optional<Bytes> bytes = wholeFile(path);
    return bytes && crcOf(*bytes) == crc;
  }

  // Writes `bytes` to the new file `path` and reads them back; a file that
  // does not read back as written is removed. Nothing, or why it failed
  // (`writeFailed` when the system refused the write).
  std::optional<Failure> writeProven(const std::string& path, std::span<const std::uint8_t> bytes,
                                     Reason writeFailed) const {
    if (std::optional<platform::FileFailure> refused = files_.writeNewFile(path, bytes)) {
      return failure(writeFailed, std::move(refused));
    }
    const std::optional<Bytes> written = wholeFile(path);
    if (written && std::equal(written->begin(), written->end(), bytes.begin(), bytes.end())) return std::nullopt;
    files_.removeFile(path);
    return failure(Reason::ReadBackFailed);
  }

  // Replaces `target` by `temporary` in one step, its read-only mark lifted
  // for the step; on a failure the temporary file goes and the target stays
  // as it was.
  std::optional<Failure> putInPlace(const std::string& temporary, const std::string& target) const {
    const bool readOnly = files_.isReadOnly(target).value_or(false);
    if (readOnly) files_.setReadOnly(target, false);
    std::optional<platform::FileFailure> refused = files_.replaceFile(temporary, target);
    if (!refused) return std::nullopt;
    if (readOnly) files_.setReadOnly(target, true);
    files_.removeFile(temporary);
    return failure(Reason::ReplaceFailed, std::move(refused));
  }

 private:
  platform::FileSystem& files_;
  checks::Crc32Function kernel_;
};

// The original's bytes, read again (a cabinet entry: as the search decoded
// it) and proven to be those that were verified.
std::optional<Bytes> originalBytes(const Disk& disk, const originals::VerifiedOriginal& original) {
  std::optional<Bytes> bytes;
  if (original.entry.empty()) {
    bytes = disk.wholeFile(original.path);
  } else if (original.entryBytes) {
    bytes = *original.entryBytes;
  }
  if (!bytes || disk.crcOf(*bytes) != original.crc) return std::nullopt;
  return bytes;
}

std::string sourceText(const originals::VerifiedOriginal& original) {
  std::string text = original.entry.empty() ? original.path : original.entry + ", in the cabinet " + original.path;
  // The source is for people to read: a tab or a line end would break the list's line.
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  return text;
}

// Writes the manifest whole beside its old form, then puts it in place.
std::optional<Failure> saveManifest(const Disk& disk, const std::string& folder, const Manifest& manifest) {
  const std::string path = inFolder(folder, kManifestName);
  const std::string temporary = temporaryPath(path);
  disk.files().removeFile(temporary);
  const std::string text = manifestText(manifest);
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (auto refused = disk.writeProven(temporary, bytes, Reason::ListFailed)) return refused;
  if (std::optional<platform::FileFailure> refused = disk.files().replaceFile(temporary, path)) {
    disk.files().removeFile(temporary);
    return failure(Reason::ListFailed, std::move(refused));
  }
  return std::nullopt;
}

std::string backupsRoot(const std::string& ownFolder) { return inFolder(ownFolder, kBackupsFolderName); }

// The backup folders under `ownFolder` whose manifest is whole, the latest first.
std::vector<std::pair<std::string, Manifest>> restoresKept(platform::FileSystem& files, const std::string& ownFolder) {
  const std::string root = backupsRoot(ownFolder);
  std::vector<std::string> names = files.listFolder(root + platform::pathSeparator()).folders;
  // Named by date and time: the latest sorts last.
  std::sort(names.rbegin(), names.rend());
  std::vector<std::pair<std::string, Manifest>> restores;
  for (const std::string& name : names) {
    const std::string folder = inFolder(root, name);
    std::string text;
    files.readFileInBlocks(inFolder(folder, kManifestName), [&text](std::string_view block) { text += block; });
    if (std::optional<Manifest> manifest = parseManifest(text)) restores.emplace_back(folder, std::move(*manifest));
  }
  return restores;
}

std::string timeStamp() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  char text[32] = {};
  if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H.%M.%S", local) == 0) return "0000-00-00 00.00.00";
  return text;
}

// A new folder for this restore's backups, or why none could be made.
std::pair<std::string, std::optional<Failure>> makeBackupFolder(platform::FileSystem& files,
                                                                const std::optional<std::string>& ownFolder) {
  if (!ownFolder) return {{}, failure(Reason::OwnFolderUnknown)};
  const std::string root = backupsRoot(*ownFolder);
  if (!files.pathExists(root)) {
    if (std::optional<platform::FileFailure> refused = files.createFolder(root)) {
      return {{}, failure(Reason::NoBackupFolder, std::move(refused))};
    }
  }
  const std::string stamp = timeStamp();
  std::optional<platform::FileFailure> refused;
  for (int n = 1; n <= kFoldersPerSecond; ++n) {
    const std::string folder = inFolder(root, n == 1 ? stamp : stamp + " (" + std::to_string(n) + ")");
    if (files.pathExists(folder)) continue;
    refused = files.createFolder(folder);
    if (!refused) return {folder, std::nullopt};
  }
  if (!refused) return {{}, failure(Reason::TooManyRestores)};
  return {{}, failure(Reason::NoBackupFolder, std::move(refused))};
}

struct Pending {
  std::size_t file;  // its place in the report
  const Replacement* replacement;
  ManifestEntry entry;
};

// Backs each pending file up into `folder`; those that could not be backed up
// are dropped, with their reason.
void backUp(const Disk& disk, const std::string& folder, std::vector<Pending>& pending, RestoreReport& report) {
  std::erase_if(pending, [&](Pending& file) {
    std::optional<Failure>& result = report.files[file.file].failure;
    const std::optional<Bytes> old = disk.wholeFile(file.entry.target);
    if (!old) {
      result = failure(Reason::Unreadable);
      return true;
    }
    file.entry.crcBefore = disk.crcOf(*old);
    result = disk.writeProven(inFolder(folder, file.entry.backupName), *old, Reason::BackupFailed);
    return result.has_value();
  });
}

// Writes one pending file's original beside it, proven, and puts it in place.
std::optional<Failure> replaceOne(const Disk& disk, const Pending& file) {
  const std::optional<Bytes> original = originalBytes(disk, file.replacement->original);
  if (!original) return failure(Reason::OriginalChanged);
  const std::string temporary = temporaryPath(file.entry.target);
  if (auto refused = disk.writeProven(temporary, *original, Reason::WriteFailed)) return refused;
  if (!disk.holds(file.entry.target, file.entry.crcBefore)) {
    // Bytes the backup does not hold are never replaced.
    disk.files().removeFile(temporary);
    return failure(Reason::ChangedMeanwhile);
  }
  return disk.putInPlace(temporary, file.entry.target);
}

// Puts one file's old bytes back from `folder`, while it holds the bytes the
// restore put there.
PutBackFile putBack(const Disk& disk, const ManifestEntry& entry, const std::string& folder) {
  using Result = PutBackFile::Result;
  PutBackFile file{entry.target, Result::Failed, {}};
  const std::optional<Bytes> current = disk.wholeFile(entry.target);
  const std::optional<std::uint32_t> crc = current ? std::optional(disk.crcOf(*current)) : std::nullopt;
  if (crc == entry.crcBefore) {
    file.result = Result::AlreadyBefore;
    return file;
  }
  if (crc != entry.crcAfter) {
    file.result = Result::ChangedSince;
    return file;
  }
  const std::optional<Bytes> old = disk.wholeFile(inFolder(folder, entry.backupName));
  if (!old || disk.crcOf(*old) != entry.crcBefore) {
    file.failure = failure(Reason::BackupChanged);
    return file;
  }
  const std::string temporary = temporaryPath(entry.target);
  file.failure = disk.writeProven(temporary, *old, Reason::OldWriteFailed);
  if (!file.failure) file.failure = disk.putInPlace(temporary, entry.target);
  if (file.failure) return file;
  if (entry.readOnly) disk.files().setReadOnly(entry.target, true);
  file.result = Result::PutBack;
  return file;
}

// The files that can be restored, each with the line its manifest will hold;
// those whose path no manifest line can hold get their reason in `report`.
std::vector<Pending> pendingFiles(platform::FileSystem& files, const std::vector<Replacement>& replacements,
                                  RestoreReport& report) {
  std::vector<Pending> pending;
  for (const Replacement& replacement : replacements) {
    const std::string& target = replacement.target.shown();
    report.files.push_back({target, std::nullopt});
    if (!fitsField(target)) {
      report.files.back().failure = failure(Reason::PathNotRecordable);
      continue;
    }
    const std::string backupName =
        std::to_string(pending.size() + 1) + " " + replacement.target.fileName();
    pending.push_back({report.files.size() - 1, &replacement,
                       {backupName, 0, replacement.original.crc, files.isReadOnly(target).value_or(false), target,
                        sourceText(replacement.original)}});
  }
  return pending;
}

void failEach(const std::vector<Pending>& pending, RestoreReport& report, const Failure& why) {
  for (const Pending& file : pending) report.files[file.file].failure = why;
}

}  // namespace

void clearLeftovers(platform::FileSystem& files, const std::string& ownFolder) {
  const std::string root = backupsRoot(ownFolder);
  for (const std::string& name : files.listFolder(root + platform::pathSeparator()).folders) {
    files.removeFile(temporaryPath(inFolder(inFolder(root, name), kManifestName)));
  }
  for (const auto& [folder, manifest] : restoresKept(files, ownFolder)) {
    for (const ManifestEntry& entry : manifest.entries) files.removeFile(temporaryPath(entry.target));
  }
}

RestoreReport restoreFiles(platform::FileSystem& files, const std::vector<Replacement>& replacements,
                           const std::optional<std::string>& ownFolder, checks::Crc32Function crcKernel) {
  const Disk disk(files, crcKernel);
  RestoreReport report;
  std::vector<Pending> pending = pendingFiles(files, replacements, report);
  if (pending.empty()) return report;
  auto [folder, folderFailure] = makeBackupFolder(files, ownFolder);
  if (folderFailure) {
    failEach(pending, report, *folderFailure);
    return report;
  }
  report.backupFolder = folder;
  backUp(disk, folder, pending, report);
  Manifest manifest;
  for (const Pending& file : pending) manifest.entries.push_back(file.entry);
  // The list of what may change is on the disk before anything changes.
  if (const std::optional<Failure> listFailure = saveManifest(disk, folder, manifest)) {
    failEach(pending, report, *listFailure);
    return report;
  }
  for (const Pending& file : pending) report.files[file.file].failure = replaceOne(disk, file);
  return report;
}

UndoReport undoLatestRestore(platform::FileSystem& files, const std::string& ownFolder,
                             checks::Crc32Function crcKernel) {
  const Disk disk(files, crcKernel);
  clearLeftovers(files, ownFolder);
  UndoReport report;
  std::vector<std::pair<std::string, Manifest>> restores = restoresKept(files, ownFolder);
  const auto latest = std::find_if(restores.begin(), restores.end(), [](const auto& kept) { return !kept.second.undone; });
  if (latest == restores.end()) return report;
  auto& [folder, manifest] = *latest;
  report.backupFolder = folder;
  for (const ManifestEntry& entry : manifest.entries) report.files.push_back(putBack(disk, entry, folder));
  using Result = PutBackFile::Result;
  const bool everyFileBack = std::all_of(report.files.begin(), report.files.end(), [](const PutBackFile& file) {
    return file.result == Result::PutBack || file.result == Result::AlreadyBefore;
  });
  if (!everyFileBack) return report;
  manifest.undone = true;
  report.markedUndone = !saveManifest(disk, folder, manifest);
  return report;
}

}  // namespace restore
