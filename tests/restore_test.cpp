// The restore and the undo driven in-process over a file system that fails a
// chosen call: every way each can fail, told as a value, and the bytes and
// marks each leaves on the disk. The strace kill suite (restore_crash_test)
// is the outer proof of the same promises.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "restore/restorer.h"
#include "support/bgl_builder.h"
#include "support/crc_forge.h"
#include "support/faulty_file_system.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;
using Call = testsupport::FaultyFileSystem::Call;
using restore::Reason;

Bytes bytesOf(const fs::path& path) {
  const std::string text = testsupport::readText(path);
  return Bytes(text.begin(), text.end());
}

// A bad stock file, its verified original in a CD folder, and the program's
// own folder, where the backups go.
class Restorer : public ::testing::Test {
 protected:
  Restorer() {
    testsupport::writeBytes(target(), bad_);
    testsupport::writeBytes(dir_.path() / "cd" / "geopol12.bgl", original_);
    fs::create_directories(ownFolder());
  }

  fs::path target() const { return dir_.path() / "scenery" / "geopol12.bgl"; }
  std::string ownFolder() const { return (dir_.path() / "own").string(); }
  fs::path temporary() const { return target().string() + ".trawlex-new"; }

  restore::RestoreReport restore(platform::FileSystem& files) {
    const originals::VerifiedOriginal original{(dir_.path() / "cd" / "geopol12.bgl").string(), {}, true,
                                               testsupport::referenceCrc32(original_), nullptr};
    return restore::restoreFiles(files, {{testsupport::builtPath(target().string()), original}}, ownFolder(), kernel_);
  }
  restore::UndoReport undo(platform::FileSystem& files) {
    return restore::undoLatestRestore(files, ownFolder(), kernel_);
  }

  // One second names only so many restores: each case starts without any.
  void forgetRestores() const { fs::remove_all(fs::path(ownFolder()) / restore::kBackupsFolderName); }

  void makeTargetReadOnly() const {
    fs::permissions(target(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }
  bool targetIsReadOnly() const { return platform::isReadOnly(target().string()).value_or(false); }

  testsupport::TempDir dir_;
  const Bytes bad_ = testsupport::withCrc32(testsupport::soundFacilityFile(), 0x12345678);
  const Bytes original_ = testsupport::withCrc32(testsupport::soundFacilityFile(), 0x1C7B948D);
  checks::Crc32Function kernel_ = checks::selectedCrc32Kernel().update;
  platform::SystemFileSystem system_;
};

TEST_F(Restorer, SoundRunReplacesTheFileKeepsItsBackupAndTheUndoPutsItBack) {
  const restore::RestoreReport restored = restore(system_);
  ASSERT_EQ(restored.files.size(), 1U);
  EXPECT_TRUE(restored.files[0].restored());
  EXPECT_EQ(bytesOf(target()), original_);
  EXPECT_EQ(bytesOf(fs::path(restored.backupFolder) / "1 geopol12.bgl"), bad_);
  EXPECT_FALSE(fs::exists(temporary()));

  const restore::UndoReport undone = undo(system_);
  EXPECT_EQ(undone.backupFolder, restored.backupFolder);
  ASSERT_EQ(undone.files.size(), 1U);
  EXPECT_EQ(undone.files[0].result, restore::PutBackFile::Result::PutBack);
  EXPECT_TRUE(undone.markedUndone);
  EXPECT_EQ(bytesOf(target()), bad_);
  // Undone once: nothing is left to undo.
  EXPECT_TRUE(undo(system_).backupFolder.empty());
}

// Each call of a restore failed in turn (a disk that fails it from then on):
// the file is left with its old bytes and its read-only mark, nothing is left
// beside it, and the value says why, with the system's words where it has them.
TEST_F(Restorer, EveryFailingCallLeavesTheFileAsItWasAndSaysWhy) {
  struct Case {
    Call call;
    int from;
    Reason reason;
    bool systemWords;
  };
  const Case cases[] = {
      {Call::CreateFolder, 1, Reason::NoBackupFolder, true},    // the backups' root
      {Call::CreateFolder, 2, Reason::NoBackupFolder, true},    // every name for this restore's folder
      {Call::OpenForReading, 1, Reason::Unreadable, false},     // the bad file, to back it up
      {Call::WriteNewFile, 1, Reason::BackupFailed, true},      // its backup
      {Call::OpenForReading, 2, Reason::ReadBackFailed, false},  // the backup read back
      {Call::WriteNewFile, 2, Reason::ListFailed, true},        // the backup's list
      {Call::OpenForReading, 3, Reason::ReadBackFailed, false},  // the list read back
      {Call::ReplaceFile, 1, Reason::ListFailed, true},         // the list put in place
      {Call::OpenForReading, 4, Reason::OriginalChanged, false},  // the original, read again
      {Call::WriteNewFile, 3, Reason::WriteFailed, true},       // the original beside the file
      {Call::OpenForReading, 5, Reason::ReadBackFailed, false},  // that copy read back
      {Call::OpenForReading, 6, Reason::ChangedMeanwhile, false},  // the file, still as backed up?
      {Call::ReplaceFile, 2, Reason::ReplaceFailed, true},      // the file replaced
  };
  makeTargetReadOnly();
  for (const Case& planted : cases) {
    SCOPED_TRACE(testing::Message() << "call " << static_cast<int>(planted.call) << " from " << planted.from);
    testsupport::FaultyFileSystem files;
    files.plant(planted.call, planted.from, 100);
    const restore::RestoreReport restored = restore(files);
    ASSERT_EQ(restored.files.size(), 1U);
    ASSERT_TRUE(restored.files[0].failure);
    EXPECT_EQ(restored.files[0].failure->reason, planted.reason);
    EXPECT_EQ(restored.files[0].failure->system.has_value(), planted.systemWords);
    if (planted.systemWords) {
      EXPECT_EQ(restored.files[0].failure->system->message, "planted failure");
    }
    EXPECT_EQ(bytesOf(target()), bad_);
    EXPECT_TRUE(targetIsReadOnly());
    EXPECT_FALSE(fs::exists(temporary()));
    forgetRestores();
  }
}

TEST_F(Restorer, WithoutAFolderOfItsOwnNothingIsReplaced) {
  const originals::VerifiedOriginal original{(dir_.path() / "cd" / "geopol12.bgl").string(), {}, true,
                                             testsupport::referenceCrc32(original_), nullptr};
  const restore::RestoreReport restored =
      restore::restoreFiles(system_, {{testsupport::builtPath(target().string()), original}}, std::nullopt, kernel_);
  ASSERT_EQ(restored.files.size(), 1U);
  ASSERT_TRUE(restored.files[0].failure);
  EXPECT_EQ(restored.files[0].failure->reason, Reason::OwnFolderUnknown);
  EXPECT_EQ(bytesOf(target()), bad_);
}

// A cabinet's entry comes with the bytes the search decoded: the restore
// reads no cabinet again, and proves those bytes as it proves a file's.
TEST_F(Restorer, CabinetEntryIsRestoredFromTheBytesTheSearchKept) {
  const auto kept = std::make_shared<const std::vector<std::uint8_t>>(original_);
  const originals::VerifiedOriginal entry{(dir_.path() / "no such.cab").string(), "scenery\\geopol12.bgl", true,
                                          testsupport::referenceCrc32(original_), kept};
  restore::RestoreReport restored =
      restore::restoreFiles(system_, {{testsupport::builtPath(target().string()), entry}}, ownFolder(), kernel_);
  ASSERT_EQ(restored.files.size(), 1U);
  EXPECT_TRUE(restored.files[0].restored());
  EXPECT_EQ(bytesOf(target()), original_);

  testsupport::writeBytes(target(), bad_);
  const originals::VerifiedOriginal altered{entry.path, entry.entry, true, entry.crc ^ 1U, kept};
  restored = restore::restoreFiles(system_, {{testsupport::builtPath(target().string()), altered}}, ownFolder(), kernel_);
  ASSERT_TRUE(restored.files[0].failure);
  EXPECT_EQ(restored.files[0].failure->reason, Reason::OriginalChanged);
  EXPECT_EQ(bytesOf(target()), bad_);
}

// Each call of an undo failed in turn: the file keeps the bytes the restore
// put there, the restore stays to be undone, and the next undo completes it.
TEST_F(Restorer, EveryFailingCallOfAnUndoLeavesTheRestoreToBeUndoneAgain) {
  using Result = restore::PutBackFile::Result;
  struct Case {
    Call call;
    int from;
    Result result;
    std::optional<Reason> reason;
  };
  const Case cases[] = {
      {Call::OpenForReading, 1, Result::ChangedSince, std::nullopt},  // the file, to tell what it holds
      {Call::OpenForReading, 2, Result::Failed, Reason::BackupChanged},
      {Call::WriteNewFile, 1, Result::Failed, Reason::OldWriteFailed},
      {Call::OpenForReading, 3, Result::Failed, Reason::ReadBackFailed},
      {Call::ReplaceFile, 1, Result::Failed, Reason::ReplaceFailed},
      {Call::WriteNewFile, 2, Result::PutBack, std::nullopt},  // the list marked undone
  };
  for (const Case& planted : cases) {
    SCOPED_TRACE(testing::Message() << "call " << static_cast<int>(planted.call) << " from " << planted.from);
    ASSERT_TRUE(restore(system_).files.at(0).restored());
    testsupport::FaultyFileSystem files;
    files.plant(planted.call, planted.from, 100);
    const restore::UndoReport undone = undo(files);
    ASSERT_EQ(undone.files.size(), 1U);
    EXPECT_EQ(undone.files[0].result, planted.result);
    EXPECT_EQ(undone.files[0].failure ? std::optional(undone.files[0].failure->reason) : std::nullopt,
              planted.reason);
    EXPECT_FALSE(undone.markedUndone);
    EXPECT_FALSE(fs::exists(temporary()));
    if (planted.result != Result::PutBack) {
      EXPECT_EQ(bytesOf(target()), original_);
    }
    const restore::UndoReport again = undo(system_);
    EXPECT_EQ(again.backupFolder, undone.backupFolder);
    EXPECT_TRUE(again.markedUndone);
    EXPECT_EQ(bytesOf(target()), bad_);
    forgetRestores();
  }
}

}  // namespace
