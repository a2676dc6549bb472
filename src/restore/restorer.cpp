#include "restore/restorer.h"

#include <algorithm>
#include <optional>

#include "originals/original_search.h"
#include "restore/backup_folders.h"
#include "restore/disk.h"
#include "restore/listed_paths.h"
#include "restore/manifest.h"

namespace restore {

namespace {

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
  return platform::utf8FromSystemText(text);
}

// What a replace left: restored, or why not; and a warning when restored.
struct Replaced {
  std::optional<Failure> failure;
  std::optional<platform::FileFailure> notDurable;
};

// Puts `temporary` in the place of `target`; on a failure the temporary file goes.
Replaced putInPlace(const Disk& disk, const std::string& temporary, const std::string& target) {
  platform::ReplaceOutcome outcome = disk.files().replaceFile(temporary, target);
  if (outcome.replaced) return {std::nullopt, std::move(outcome.failure)};
  disk.files().removeFile(temporary);
  const bool inUse = outcome.failure && outcome.failure->kind == platform::FileFailure::Kind::InUse;
  return {failure(inUse ? Reason::InUse : Reason::ReplaceFailed, std::move(outcome.failure)), std::nullopt};
}

struct Pending {
  std::size_t file;  // its place in the report
  const Replacement* replacement;
  std::optional<platform::FileFacts::Identity> identity;
  ManifestEntry entry;
};

// Where a link leads, when the system does not tell.
constexpr const char* kLinkTargetUnknown = "a place the system does not name";

// Why a target may not be replaced at all, from what its path names.
std::optional<Failure> refusal(const platform::FileFacts& facts) {
  using Kind = platform::FileFacts::Kind;
  if (facts.kind == Kind::Link) {
    return failure(Reason::SymbolicLink, std::nullopt, facts.linkTarget.empty() ? kLinkTargetUnknown : facts.linkTarget);
  }
  if (facts.kind != Kind::Regular) return failure(Reason::Unreadable);
  return std::nullopt;
}

// The files that may be restored, each with the line its list will hold;
// the others get their reason in `report`, and a file reached a second way
// the name by which it was reached first.
std::vector<Pending> pendingFiles(platform::FileSystem& files, const std::vector<Replacement>& replacements,
                                  const std::string& host, RestoreReport& report) {
  std::vector<Pending> pending;
  for (const Replacement& replacement : replacements) {
    const std::string& target = replacement.target.shown();
    RestoredFile& file = report.files.emplace_back(RestoredFile{target, std::nullopt, {}, 0, std::nullopt});
    const platform::FileFacts facts = files.fileFacts(target);
    const auto same = std::find_if(pending.begin(), pending.end(), [&facts](const Pending& earlier) {
      return facts.identity && earlier.identity == facts.identity;
    });
    if (same != pending.end()) {
      file.sameFileAs = report.files[same->file].target;
      continue;
    }
    const std::string recorded = recordedTarget(host, target);
    if (!fitsField(target) || !fitsField(recorded)) {
      file.failure = failure(Reason::PathNotRecordable);
      continue;
    }
    if ((file.failure = refusal(facts))) continue;
    file.otherNames = facts.names > 1 ? facts.names - 1 : 0;
    const std::string backupName = std::to_string(pending.size() + 1) + " " + replacement.target.fileName();
    pending.push_back({report.files.size() - 1, &replacement, facts.identity,
                       {backupName, 0, 0, replacement.original.crc, 0, files.isReadOnly(target).value_or(false),
                        recorded, sourceText(replacement.original)}});
  }
  return pending;
}

// The size of the original's bytes, for the list; nothing when it cannot be told.
std::optional<std::uint64_t> originalSize(const Disk& disk, const originals::VerifiedOriginal& original) {
  if (original.entryBytes) return original.entryBytes->size();
  const platform::File file = disk.files().openForReading(original.path);
  return platform::fileSize(file);
}

// Backs each pending file up into `folder`; those that could not be backed up
// are dropped, with their reason.
void backUp(const Disk& disk, const std::string& folder, std::vector<Pending>& pending, RestoreReport& report) {
  std::erase_if(pending, [&](Pending& file) {
    std::optional<Failure>& result = report.files[file.file].failure;
    const std::optional<Bytes> old = disk.wholeFile(report.files[file.file].target);
    if (!old) {
      result = failure(Reason::Unreadable);
      return true;
    }
    file.entry.crcBefore = disk.crcOf(*old);
    file.entry.sizeBefore = old->size();
    const std::optional<std::uint64_t> size = originalSize(disk, file.replacement->original);
    if (!size) {
      result = failure(Reason::OriginalChanged);
      return true;
    }
    file.entry.sizeAfter = *size;
    result = disk.writeProven(inFolder(folder, file.entry.backupName), *old, Reason::BackupFailed);
    return result.has_value();
  });
}

// Writes one pending file's original beside it, proven and marked as the
// file is, and puts it in place.
Replaced replaceOne(const Disk& disk, const Pending& file, const std::string& target, const std::string& tag) {
  const std::optional<Bytes> original = originalBytes(disk, file.replacement->original);
  if (!original) return {failure(Reason::OriginalChanged), std::nullopt};
  if (disk.files().isInUse(target)) return {failure(Reason::InUse), std::nullopt};
  const std::string temporary = temporaryPath(target, tag);
  if (auto refused = disk.writeProven(temporary, *original, Reason::WriteFailed, {{target, file.entry.readOnly}})) {
    return {std::move(refused), std::nullopt};
  }
  if (!disk.holds(target, file.entry.crcBefore)) {
    // Bytes the backup does not hold are never replaced.
    disk.files().removeFile(temporary);
    return {failure(Reason::ChangedMeanwhile), std::nullopt};
  }
  return putInPlace(disk, temporary, target);
}

void failEach(const std::vector<Pending>& pending, RestoreReport& report, const Failure& why) {
  for (const Pending& file : pending) report.files[file.file].failure = why;
}

// A file reached a second way shares the outcome of its first.
void shareOutcomes(RestoreReport& report) {
  for (RestoredFile& file : report.files) {
    if (file.sameFileAs.empty()) continue;
    const auto first = std::find_if(report.files.begin(), report.files.end(),
                                    [&file](const RestoredFile& other) { return other.target == file.sameFileAs; });
    if (first != report.files.end()) file.failure = first->failure;
  }
}

// True when no temporary file of the step `manifest` records is left beside
// any of its targets.
bool noTemporaryLeft(platform::FileSystem& files, const Manifest& manifest, const std::string& host) {
  return std::none_of(manifest.entries.begin(), manifest.entries.end(), [&](const ManifestEntry& entry) {
    const std::optional<std::string> target = targetPath(manifest, entry.target, host);
    return target && files.pathExists(temporaryPath(*target, manifest.temporaryTag));
  });
}

// True when the temporary file at `path` holds no more than the bytes the
// step meant to write there: never longer, and whole only with their CRC-32.
// An undo's bytes are also in the backup, so all of them are compared.
bool holdsOnlyOwnBytes(const Disk& disk, const std::string& path, std::uint64_t size, std::uint32_t crc,
                       const std::optional<Bytes>& meant) {
  const std::optional<Bytes> bytes = disk.wholeFile(path);
  if (!bytes || bytes->size() > size) return false;
  if (meant) return meant->size() >= bytes->size() && std::equal(bytes->begin(), bytes->end(), meant->begin());
  return bytes->size() < size || disk.crcOf(*bytes) == crc;
}

// Finishes one file of a step that stopped midway: its temporary file
// removed while it is the step's own, its mark put back.
void finishFile(const Disk& disk, const std::string& folder, const Manifest& manifest, const ManifestEntry& entry,
                const std::string& target) {
  const std::string temporary = temporaryPath(target, manifest.temporaryTag);
  const bool undoing = manifest.state == RestoreState::Undoing;
  if (disk.files().pathExists(temporary)) {
    const std::optional<Bytes> meant = undoing ? disk.wholeFile(inFolder(folder, entry.backupName)) : std::nullopt;
    const std::uint64_t size = undoing ? entry.sizeBefore : entry.sizeAfter;
    const std::uint32_t crc = undoing ? entry.crcBefore : entry.crcAfter;
    if (holdsOnlyOwnBytes(disk, temporary, size, crc, meant)) disk.files().removeFile(temporary);
  }
  // Windows lifts a mark for the replace: a step stopped there left it lifted.
  const std::optional<std::uint32_t> crc = disk.crcOfFile(target);
  if (entry.readOnly && (crc == entry.crcBefore || crc == entry.crcAfter) &&
      disk.files().isReadOnly(target) == std::optional(false)) {
    disk.files().setReadOnly(target, true);
  }
}

// True when every file of `manifest` holds its bytes from before the restore.
bool everyFileAsBefore(const Disk& disk, const Manifest& manifest, const std::string& host) {
  return std::all_of(manifest.entries.begin(), manifest.entries.end(), [&](const ManifestEntry& entry) {
    const std::optional<std::string> target = targetPath(manifest, entry.target, host);
    return target && disk.holds(*target, entry.crcBefore);
  });
}

// Finishes a restore or an undo that stopped midway, recorded in `manifest`.
void finishStep(const Disk& disk, const std::string& folder, Manifest manifest, const std::string& host) {
  for (const ManifestEntry& entry : manifest.entries) {
    if (const std::optional<std::string> target = targetPath(manifest, entry.target, host)) {
      finishFile(disk, folder, manifest, entry, *target);
    }
  }
  if (!noTemporaryLeft(disk.files(), manifest, host)) return;
  const bool asBefore = everyFileAsBefore(disk, manifest, host);
  if (manifest.state == RestoreState::Restoring && asBefore) {
    // A restore that replaced nothing leaves nothing to undo.
    removeBackupFolder(disk.files(), folder);
    return;
  }
  // An undo stopped midway stays to be undone: the next one tells what each file holds.
  manifest.state = RestoreState::Restored;
  (void)saveManifest(disk, folder, manifest);
}

void finishAll(const Disk& disk, const Site& site, const std::vector<KeptRestore>& kept) {
  for (const KeptRestore& restore : kept) {
    disk.files().removeFile(manifestPath(restore.folder) + std::string(originals::kTemporarySuffix));
    if (!restore.hasList) {
      // Cut before its list was on the disk: no file had changed yet.
      removeFolderWithoutList(disk.files(), restore.folder);
      continue;
    }
    const std::optional<Manifest>& manifest = restore.reading.manifest;
    if (!manifest) continue;
    // A step in another installation (a copy of this one's program folder) is that one's to finish.
    if (!manifest->earlier() && !sameFolder(manifest->host, platform::utf8FromSystemText(site.hostFolder))) continue;
    if (manifest->state == RestoreState::Restoring || manifest->state == RestoreState::Undoing) {
      finishStep(disk, restore.folder, *manifest, site.hostFolder);
    }
  }
}

// Puts one file's old bytes back from `folder`, while it holds the bytes the
// restore put there.
PutBackFile putBack(const Disk& disk, const ManifestEntry& entry, const std::string& folder, const std::string& target,
                    const std::string& tag) {
  using Result = PutBackFile::Result;
  PutBackFile file{target, Result::Failed, {}, std::nullopt};
  const platform::FileFacts facts = disk.files().fileFacts(target);
  if (facts.kind == platform::FileFacts::Kind::Missing) {
    file.failure = failure(Reason::Missing);
    return file;
  }
  if ((file.failure = refusal(facts))) return file;
  if (disk.files().isInUse(target)) {
    file.failure = failure(Reason::InUse);
    return file;
  }
  const std::optional<std::uint32_t> crc = disk.crcOfFile(target);
  if (!crc) {
    file.failure = failure(Reason::Unreadable);
    return file;
  }
  if (crc == entry.crcBefore || crc != entry.crcAfter) {
    file.result = crc == entry.crcBefore ? Result::AlreadyBefore : Result::ChangedSince;
    file.failure.reset();
    return file;
  }
  const std::optional<Bytes> old = disk.wholeFile(inFolder(folder, entry.backupName));
  if (!old || disk.crcOf(*old) != entry.crcBefore) {
    file.failure = failure(Reason::BackupChanged);
    return file;
  }
  const std::string temporary = temporaryPath(target, tag);
  file.failure = disk.writeProven(temporary, *old, Reason::OldWriteFailed, {{target, entry.readOnly}});
  if (file.failure) return file;
  Replaced replaced = putInPlace(disk, temporary, target);
  file.failure = std::move(replaced.failure);
  file.notDurable = std::move(replaced.notDurable);
  if (!file.failure) file.result = Result::PutBack;
  return file;
}

// Ends a restore: a list that names no temporary file left is marked
// restored, or, when nothing was replaced, removed with its folder (true).
bool closeRestore(const Disk& disk, const std::string& folder, Manifest manifest, const std::string& host,
                  const RestoreReport& report) {
  if (!noTemporaryLeft(disk.files(), manifest, host)) return false;  // the next run removes it
  const bool anyReplaced = std::any_of(report.files.begin(), report.files.end(),
                                       [](const RestoredFile& file) { return file.restored() && file.sameFileAs.empty(); });
  if (!anyReplaced) {
    removeBackupFolder(disk.files(), folder);
    return true;
  }
  manifest.state = RestoreState::Restored;
  (void)saveManifest(disk, folder, manifest);
  return false;
}

}  // namespace

bool RestoreReport::whole() const {
  return std::all_of(files.begin(), files.end(), [](const RestoredFile& file) {
    return file.restored() && !file.notDurable;
  });
}

bool UndoReport::whole() const {
  if (damaged) return false;
  if (backupFolder.empty()) return true;
  const bool durable = std::none_of(files.begin(), files.end(), [](const PutBackFile& file) { return file.notDurable; });
  return markedUndone && durable;
}

void finishInterrupted(platform::FileSystem& files, const Site& site, checks::Crc32Function crcKernel) {
  if (!site.ownFolder) return;
  finishAll(Disk(files, crcKernel), site, keptRestores(files, *site.ownFolder));
}

RestoreReport restoreFiles(platform::FileSystem& files, const std::vector<Replacement>& replacements,
                           const Site& site, checks::Crc32Function crcKernel) {
  const Disk disk(files, crcKernel);
  RestoreReport report;
  std::vector<Pending> pending = pendingFiles(files, replacements, site.hostFolder, report);
  if (pending.empty()) {
    shareOutcomes(report);
    return report;
  }
  NewBackupFolder made = site.ownFolder ? makeBackupFolder(files, *site.ownFolder, keptRestores(files, *site.ownFolder))
                                        : NewBackupFolder{{}, 0, failure(Reason::OwnFolderUnknown)};
  if (made.failure) {
    failEach(pending, report, *made.failure);
    shareOutcomes(report);
    return report;
  }
  report.backupFolder = made.folder;
  backUp(disk, made.folder, pending, report);
  Manifest manifest{made.number, platform::utf8FromSystemText(site.hostFolder), RestoreState::Restoring,
                    newTemporaryTag(made.number), {}};
  for (const Pending& file : pending) manifest.entries.push_back(file.entry);
  // The list of what may change, and of the temporary files' names, is on
  // the disk before any file is made beside a target.
  if (const std::optional<Failure> listFailure = saveManifest(disk, made.folder, manifest)) {
    failEach(pending, report, *listFailure);
    removeBackupFolder(files, made.folder);
    report.backupFolder.clear();
    shareOutcomes(report);
    return report;
  }
  for (const Pending& file : pending) {
    Replaced replaced = replaceOne(disk, file, report.files[file.file].target, manifest.temporaryTag);
    report.files[file.file].failure = std::move(replaced.failure);
    report.files[file.file].notDurable = std::move(replaced.notDurable);
  }
  shareOutcomes(report);
  if (closeRestore(disk, made.folder, manifest, site.hostFolder, report)) report.backupFolder.clear();
  return report;
}

UndoReport undoLatestRestore(platform::FileSystem& files, const Site& site, checks::Crc32Function crcKernel) {
  UndoReport report;
  if (!site.ownFolder) return report;
  const Disk disk(files, crcKernel);
  finishAll(disk, site, keptRestores(files, *site.ownFolder));
  std::optional<KeptRestore> latest;
  for (KeptRestore& kept : keptRestores(files, *site.ownFolder)) {
    if (!kept.hasList) continue;
    if (!kept.reading.manifest) {
      // An earlier restore is never undone in place of one whose list cannot be read.
      report.damaged = DamagedList{manifestPath(kept.folder), kept.reading.problem};
      return report;
    }
    if (kept.reading.manifest->state == RestoreState::Undone) continue;
    latest = std::move(kept);
    break;
  }
  if (!latest) return report;
  report.backupFolder = latest->folder;
  Manifest& manifest = *latest->reading.manifest;
  manifest.state = RestoreState::Undoing;
  manifest.temporaryTag = newTemporaryTag(manifest.number);
  // Written before any temporary file is made: the next run knows their names.
  if (const std::optional<Failure> listFailure = saveManifest(disk, latest->folder, manifest)) {
    for (const ManifestEntry& entry : manifest.entries) {
      report.files.push_back({entry.target, PutBackFile::Result::Failed, listFailure, std::nullopt});
    }
    return report;
  }
  for (const ManifestEntry& entry : manifest.entries) {
    const std::optional<std::string> target = targetPath(manifest, entry.target, site.hostFolder);
    if (!target) {
      report.files.push_back({entry.target, PutBackFile::Result::Failed,
                              failure(Reason::OutsideInstallation, std::nullopt, entry.target), std::nullopt});
      continue;
    }
    report.files.push_back(putBack(disk, entry, latest->folder, *target, manifest.temporaryTag));
  }
  using Result = PutBackFile::Result;
  const bool everyFileBack = std::all_of(report.files.begin(), report.files.end(), [](const PutBackFile& file) {
    return file.result == Result::PutBack || file.result == Result::AlreadyBefore;
  });
  manifest.state = everyFileBack ? RestoreState::Undone : RestoreState::Restored;
  report.markedUndone = !saveManifest(disk, latest->folder, manifest) && everyFileBack;
  return report;
}

}  // namespace restore
