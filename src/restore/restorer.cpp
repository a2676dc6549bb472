#include "restore/restorer.h"

#include <algorithm>
#include <ctime>
#include <optional>

#include "cabinets/cabinet_reader.h"
#include "checks/file_bytes.h"
#include "originals/original_search.h"
#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/texts.h"
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

std::uint32_t crcOf(std::span<const std::uint8_t> bytes, checks::Crc32Function kernel) {
  checks::FileBytes inMemory(bytes);
  return checks::fileCrc32(inMemory, kernel);
}

// Every byte of a regular file no larger than any original can be.
std::optional<Bytes> wholeFile(const std::string& path) {
  const platform::FileHandle file{platform::openForReading(path)};
  if (!file) return std::nullopt;
  const std::optional<std::uint64_t> size = platform::fileSize(file.get());
  if (!size || *size > cabinets::kMaxEntrySize) return std::nullopt;
  Bytes bytes(static_cast<std::size_t>(*size));
  if (!platform::readExactly(file.get(), 0, bytes)) return std::nullopt;
  return bytes;
}

// True when the file at `path` holds bytes of that CRC-32.
bool holds(const std::string& path, std::uint32_t crc, checks::Crc32Function kernel) {
  const std::optional<Bytes> bytes = wholeFile(path);
  return bytes && crcOf(*bytes, kernel) == crc;
}

// The original's bytes, read again and proven to be those that were verified.
std::optional<Bytes> originalBytes(const report::VerifiedOriginal& original, checks::Crc32Function kernel) {
  std::optional<Bytes> bytes;
  if (original.entry.empty()) {
    bytes = wholeFile(original.path);
  } else {
    (void)cabinets::readBglEntries(original.path, [&](const std::string& name, std::span<const std::uint8_t> entry) {
      if (!bytes && name == original.entry) bytes = Bytes(entry.begin(), entry.end());
    });
  }
  if (!bytes || crcOf(*bytes, kernel) != original.crc) return std::nullopt;
  return bytes;
}

std::string sourceText(const report::VerifiedOriginal& original) {
  std::string text = original.entry.empty() ? original.path : original.entry + ", in the cabinet " + original.path;
  // The source is for people to read: a tab or a line end would break the list's line.
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  return text;
}

// Writes `bytes` to the new file `path` and reads them back; a file that does
// not read back as written is removed. Nothing, or why it failed.
std::optional<std::string> writeProven(const std::string& path, std::span<const std::uint8_t> bytes,
                                       const char* failureText) {
  if (const std::optional<platform::FileFailure> failure = platform::writeNewFile(path, bytes)) {
    return report::formatText(failureText, failure->message.c_str());
  }
  const std::optional<Bytes> written = wholeFile(path);
  if (written && std::equal(written->begin(), written->end(), bytes.begin(), bytes.end())) return std::nullopt;
  platform::removeFile(path);
  return std::string(report::kReasonReadBackFailed);
}

// Replaces `target` by `temporary` in one step, its read-only mark lifted for
// the step; on a failure the temporary file goes and the target stays as it was.
std::optional<std::string> putInPlace(const std::string& temporary, const std::string& target) {
  const bool readOnly = platform::isReadOnly(target).value_or(false);
  if (readOnly) platform::setReadOnly(target, false);
  const std::optional<platform::FileFailure> failure = platform::replaceFile(temporary, target);
  if (!failure) return std::nullopt;
  if (readOnly) platform::setReadOnly(target, true);
  platform::removeFile(temporary);
  return report::formatText(report::kReasonReplaceFailed, failure->message.c_str());
}

// Writes the manifest whole beside its old form, then puts it in place.
std::optional<std::string> saveManifest(const std::string& folder, const Manifest& manifest) {
  const std::string path = inFolder(folder, kManifestName);
  const std::string temporary = temporaryPath(path);
  platform::removeFile(temporary);
  const std::string text = manifestText(manifest);
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (auto failure = writeProven(temporary, bytes, report::kReasonListFailed)) return failure;
  if (const std::optional<platform::FileFailure> failure = platform::replaceFile(temporary, path)) {
    platform::removeFile(temporary);
    return report::formatText(report::kReasonListFailed, failure->message.c_str());
  }
  return std::nullopt;
}

std::string backupsRoot(const std::string& ownFolder) { return inFolder(ownFolder, kBackupsFolderName); }

// The backup folders under `ownFolder` whose manifest is whole, the latest first.
std::vector<std::pair<std::string, Manifest>> restoresKept(const std::string& ownFolder) {
  const std::string root = backupsRoot(ownFolder);
  std::vector<std::string> names = platform::listFolder(root + platform::pathSeparator()).folders;
  // Named by date and time: the latest sorts last.
  std::sort(names.rbegin(), names.rend());
  std::vector<std::pair<std::string, Manifest>> restores;
  for (const std::string& name : names) {
    const std::string folder = inFolder(root, name);
    std::string text;
    platform::readFileInBlocks(inFolder(folder, kManifestName), [&text](std::string_view block) { text += block; });
    if (std::optional<Manifest> manifest = parseManifest(text)) restores.emplace_back(folder, std::move(*manifest));
  }
  return restores;
}

}  // namespace

void clearLeftovers(const std::string& ownFolder) {
  const std::string root = backupsRoot(ownFolder);
  for (const std::string& name : platform::listFolder(root + platform::pathSeparator()).folders) {
    platform::removeFile(temporaryPath(inFolder(inFolder(root, name), kManifestName)));
  }
  for (const auto& [folder, manifest] : restoresKept(ownFolder)) {
    for (const ManifestEntry& entry : manifest.entries) platform::removeFile(temporaryPath(entry.target));
  }
}

namespace {

std::string timeStamp() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  char text[32] = {};
  if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H.%M.%S", local) == 0) return "0000-00-00 00.00.00";
  return text;
}

// A new folder for this restore's backups, or why none could be made.
std::pair<std::string, std::optional<std::string>> makeBackupFolder(const std::optional<std::string>& ownFolder) {
  if (!ownFolder) return {{}, report::formatText(report::kReasonNoBackupFolder, report::kOwnFolderUnknown)};
  const std::string root = backupsRoot(*ownFolder);
  if (!platform::pathExists(root)) {
    if (const std::optional<platform::FileFailure> failure = platform::createFolder(root)) {
      return {{}, report::formatText(report::kReasonNoBackupFolder, failure->message.c_str())};
    }
  }
  const std::string stamp = timeStamp();
  std::optional<platform::FileFailure> failure;
  for (int n = 1; n <= kFoldersPerSecond; ++n) {
    const std::string folder = inFolder(root, n == 1 ? stamp : stamp + " (" + std::to_string(n) + ")");
    if (platform::pathExists(folder)) continue;
    failure = platform::createFolder(folder);
    if (!failure) return {folder, std::nullopt};
  }
  const std::string message = failure ? failure->message : report::kTooManyRestores;
  return {{}, report::formatText(report::kReasonNoBackupFolder, message.c_str())};
}

struct Pending {
  std::size_t file;  // its place in the report
  const Replacement* replacement;
  ManifestEntry entry;
};

// Backs each pending file up into `folder`; those that could not be backed up
// are dropped, with their reason.
void backUp(const std::string& folder, std::vector<Pending>& pending, report::RestoreReport& report,
            checks::Crc32Function kernel) {
  std::erase_if(pending, [&](Pending& file) {
    std::string& reason = report.files[file.file].reason;
    const std::optional<Bytes> old = wholeFile(file.entry.target);
    if (!old) {
      reason = report::kReasonUnreadable;
      return true;
    }
    file.entry.crcBefore = crcOf(*old, kernel);
    if (auto failure = writeProven(inFolder(folder, file.entry.backupName), *old, report::kReasonBackupFailed)) {
      reason = *failure;
      return true;
    }
    return false;
  });
}

// Writes each pending file's original beside it, proven, and puts it in place.
void replaceEach(const std::vector<Pending>& pending, report::RestoreReport& report, checks::Crc32Function kernel) {
  for (const Pending& file : pending) {
    report::RestoredFile& result = report.files[file.file];
    const std::optional<Bytes> original = originalBytes(file.replacement->original, kernel);
    if (!original) {
      result.reason = report::kReasonOriginalChanged;
      continue;
    }
    const std::string temporary = temporaryPath(file.entry.target);
    std::optional<std::string> failure = writeProven(temporary, *original, report::kReasonWriteFailed);
    if (!failure && !holds(file.entry.target, file.entry.crcBefore, kernel)) {
      // Bytes the backup does not hold are never replaced.
      platform::removeFile(temporary);
      failure = report::kReasonChangedMeanwhile;
    }
    if (!failure) failure = putInPlace(temporary, file.entry.target);
    result.restored = !failure;
    if (failure) result.reason = *failure;
  }
}

// Puts one file's old bytes back from `folder`, while it holds the bytes the
// restore put there.
report::PutBackFile putBack(const ManifestEntry& entry, const std::string& folder, checks::Crc32Function kernel) {
  using Result = report::PutBackFile::Result;
  report::PutBackFile file{entry.target, Result::Failed, {}};
  const std::optional<Bytes> current = wholeFile(entry.target);
  const std::optional<std::uint32_t> crc = current ? std::optional(crcOf(*current, kernel)) : std::nullopt;
  if (crc == entry.crcBefore) {
    file.result = Result::AlreadyBefore;
    return file;
  }
  if (crc != entry.crcAfter) {
    file.result = Result::ChangedSince;
    return file;
  }
  const std::optional<Bytes> old = wholeFile(inFolder(folder, entry.backupName));
  if (!old || crcOf(*old, kernel) != entry.crcBefore) {
    file.reason = report::kReasonBackupChanged;
    return file;
  }
  const std::string temporary = temporaryPath(entry.target);
  std::optional<std::string> failure = writeProven(temporary, *old, report::kReasonOldWriteFailed);
  if (!failure) failure = putInPlace(temporary, entry.target);
  if (failure) {
    file.reason = *failure;
    return file;
  }
  if (entry.readOnly) platform::setReadOnly(entry.target, true);
  file.result = Result::PutBack;
  return file;
}

}  // namespace

report::RestoreReport restoreFiles(const std::vector<Replacement>& replacements,
                                   const std::optional<std::string>& ownFolder, checks::Crc32Function crcKernel) {
  report::RestoreReport report;
  std::vector<Pending> pending;
  for (const Replacement& replacement : replacements) {
    report.files.push_back({replacement.target, false, {}});
    if (!fitsField(replacement.target)) {
      report.files.back().reason = report::kReasonPathNotRecordable;
      continue;
    }
    const std::string backupName =
        std::to_string(pending.size() + 1) + " " + platform::fileNameOf(replacement.target);
    pending.push_back({report.files.size() - 1, &replacement,
                       {backupName, 0, replacement.original.crc, platform::isReadOnly(replacement.target).value_or(false),
                        replacement.target, sourceText(replacement.original)}});
  }
  if (pending.empty()) return report;
  const auto [folder, folderFailure] = makeBackupFolder(ownFolder);
  if (folderFailure) {
    for (const Pending& file : pending) report.files[file.file].reason = *folderFailure;
    return report;
  }
  report.backupFolder = folder;
  backUp(folder, pending, report, crcKernel);
  Manifest manifest;
  for (const Pending& file : pending) manifest.entries.push_back(file.entry);
  // The list of what may change is on the disk before anything changes.
  if (const std::optional<std::string> failure = saveManifest(folder, manifest)) {
    for (const Pending& file : pending) report.files[file.file].reason = *failure;
    return report;
  }
  replaceEach(pending, report, crcKernel);
  return report;
}

report::UndoReport undoLatestRestore(const std::string& ownFolder, checks::Crc32Function crcKernel) {
  clearLeftovers(ownFolder);
  report::UndoReport report;
  std::vector<std::pair<std::string, Manifest>> restores = restoresKept(ownFolder);
  const auto latest = std::find_if(restores.begin(), restores.end(), [](const auto& kept) { return !kept.second.undone; });
  if (latest == restores.end()) return report;
  auto& [folder, manifest] = *latest;
  report.backupFolder = folder;
  for (const ManifestEntry& entry : manifest.entries) report.files.push_back(putBack(entry, folder, crcKernel));
  using Result = report::PutBackFile::Result;
  const bool everyFileBack = std::all_of(report.files.begin(), report.files.end(), [](const report::PutBackFile& file) {
    return file.result == Result::PutBack || file.result == Result::AlreadyBefore;
  });
  if (!everyFileBack) return report;
  manifest.undone = true;
  report.markedUndone = !saveManifest(folder, manifest);
  return report;
}

}  // namespace restore
