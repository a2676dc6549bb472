// The restore and the undo driven in-process over a file system that fails a
// chosen call: every way each can fail, told as a value, and the bytes, marks
// and kinds of files each leaves on the disk; the order of restores, the
// lists that prove themselves, the installation an undo may write, links,
// files in use and what a stopped run left. The strace suites (kills and
// power loss, restore_crash_test) are the outer proof of the same promises.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "restore/manifest.h"
#include "restore/restorer.h"
#include "support/bgl_builder.h"
#include "support/crc_forge.h"
#include "support/faulty_file_system.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;
using Call = testsupport::FaultyFileSystem::Call;
using Result = restore::PutBackFile::Result;
using restore::Reason;

Bytes bytesOf(const fs::path& path) {
  const std::string text = testsupport::readText(path);
  return Bytes(text.begin(), text.end());
}

bool isReadOnly(const fs::path& path) { return platform::isReadOnly(path.string()).value_or(false); }

void makeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

// What the disk says of a path: its kind and permissions, to compare before and after.
std::string kindAndMode(const fs::path& path) {
  const fs::file_status status = fs::symlink_status(path);
  return std::to_string(static_cast<int>(status.type())) + " " + std::to_string(static_cast<int>(status.permissions()));
}

restore::Manifest listIn(const fs::path& folder) {
  const restore::ManifestReading reading = restore::parseManifest(testsupport::readText(folder / "manifest.txt"));
  EXPECT_TRUE(reading.manifest) << folder;
  return reading.manifest.value_or(restore::Manifest{});
}

// A bad stock file of an installation, its verified original in a CD folder,
// and the program's own folder, where the backups go.
class Restorer : public ::testing::Test {
 protected:
  Restorer() {
    testsupport::writeBytes(target(), bad_);
    testsupport::writeBytes(cd(), original_);
    fs::create_directories(ownFolder());
  }

  fs::path host() const { return dir_.path() / "FS2002"; }
  fs::path target() const { return host() / "Scenery" / "World" / "scenery" / "geopol12.bgl"; }
  fs::path cd() const { return dir_.path() / "cd" / "geopol12.bgl"; }
  std::string ownFolder() const { return (dir_.path() / "own").string(); }
  fs::path backups() const { return fs::path(ownFolder()) / restore::kBackupsFolderName; }
  restore::Site site() const { return {ownFolder(), host().string()}; }

  originals::VerifiedOriginal original() const {
    return {cd().string(), {}, true, testsupport::referenceCrc32(original_), nullptr};
  }
  restore::RestoreReport restore(platform::FileSystem& files, const std::vector<fs::path>& targets = {}) {
    std::vector<restore::Replacement> replacements;
    for (const fs::path& path : targets.empty() ? std::vector{target()} : targets) {
      replacements.push_back({testsupport::builtPath(path.string()), original()});
    }
    return restore::restoreFiles(files, replacements, site(), kernel_);
  }
  restore::UndoReport undo(platform::FileSystem& files, const restore::Site& where) {
    return restore::undoLatestRestore(files, where, kernel_);
  }
  restore::UndoReport undo(platform::FileSystem& files) { return undo(files, site()); }

  // Temporary files left anywhere in the tree.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
      if (entry.path().filename().string().ends_with(".trawlex-new")) found.push_back(entry.path().string());
    }
    return found;
  }
  bool noRestoreKept() const { return !fs::exists(backups()) || fs::is_empty(backups()); }

  testsupport::TempDir dir_;
  const Bytes bad_ = testsupport::withCrc32(testsupport::soundFacilityFile(), 0x12345678);
  const Bytes original_ = testsupport::withCrc32(testsupport::soundFacilityFile(), 0x1C7B948D);
  checks::Crc32Function kernel_ = checks::selectedCrc32Kernel().update;
  platform::SystemFileSystem system_;
};

TEST_F(Restorer, SoundRunKeepsTheMarkAndTheBackupListsTheFileByTheHostFolder) {
  makeReadOnly(target());
  const std::string before = kindAndMode(target());
  const restore::RestoreReport restored = restore(system_);
  ASSERT_EQ(restored.files.size(), 1U);
  EXPECT_TRUE(restored.whole());
  EXPECT_EQ(bytesOf(target()), original_);
  EXPECT_EQ(kindAndMode(target()), before);
  EXPECT_EQ(bytesOf(fs::path(restored.backupFolder) / "1 geopol12.bgl"), bad_);
  EXPECT_TRUE(fs::path(restored.backupFolder).filename().string().starts_with("Restore 1, "));
  const restore::Manifest list = listIn(restored.backupFolder);
  EXPECT_EQ(list.number, 1U);
  EXPECT_EQ(list.state, restore::RestoreState::Restored);
  ASSERT_EQ(list.entries.size(), 1U);
  EXPECT_EQ(list.entries[0].target, "Scenery\\World\\scenery\\geopol12.bgl");
  EXPECT_EQ(list.entries[0].sizeAfter, original_.size());
  EXPECT_TRUE(leftovers().empty());

  const restore::UndoReport undone = undo(system_);
  EXPECT_EQ(undone.backupFolder, restored.backupFolder);
  ASSERT_EQ(undone.files.size(), 1U);
  EXPECT_EQ(undone.files[0].result, Result::PutBack);
  EXPECT_TRUE(undone.whole());
  EXPECT_EQ(bytesOf(target()), bad_);
  EXPECT_EQ(kindAndMode(target()), before);
  // Undone once: nothing is left to undo.
  EXPECT_TRUE(undo(system_).backupFolder.empty());
}

// Each call of a restore failed in turn (a disk that fails it from then on):
// the file is left with its old bytes and its read-only mark, nothing is left
// beside it, no restore is kept to be undone, and the value says why, with
// the system's words where it has them.
TEST_F(Restorer, EveryFailingCallLeavesTheFileAsItWasAndNoRestoreToUndo) {
  struct Case {
    Call call;
    int from;
    Reason reason;
    const char* systemWords;
  };
  const char* planted = testsupport::FaultyFileSystem::kPlantedMessage;
  const Case cases[] = {
      {Call::FileFacts, 1, Reason::Unreadable, nullptr},         // what the target is
      {Call::CreateFolder, 1, Reason::NoBackupFolder, planted},  // the backups' root
      {Call::CreateFolder, 2, Reason::NoBackupFolder, planted},  // this restore's folder
      {Call::OpenForReading, 1, Reason::Unreadable, nullptr},    // the bad file, to back it up
      {Call::OpenForReading, 2, Reason::OriginalChanged, nullptr},  // the original's size, for the list
      {Call::WriteNewFile, 1, Reason::BackupFailed, planted},    // its backup
      {Call::OpenForReading, 3, Reason::ReadBackFailed, nullptr},  // the backup read back
      {Call::WriteNewFile, 2, Reason::ListFailed, planted},      // the backup's list
      {Call::OpenForReading, 4, Reason::ListFailed, "it did not read back as written"},
      {Call::ReplaceFile, 1, Reason::ListFailed, planted},       // the list put in place
      {Call::OpenForReading, 5, Reason::OriginalChanged, nullptr},  // the original, read again
      {Call::IsInUse, 1, Reason::InUse, nullptr},                // held open by another program?
      {Call::WriteNewFile, 3, Reason::WriteFailed, planted},     // the original beside the file
      {Call::OpenForReading, 6, Reason::ReadBackFailed, nullptr},  // that copy read back
      {Call::OpenForReading, 7, Reason::ChangedMeanwhile, nullptr},  // the file, still as backed up?
      {Call::ReplaceFile, 2, Reason::ReplaceFailed, planted},    // the file replaced
  };
  makeReadOnly(target());
  const std::string before = kindAndMode(target());
  for (const Case& plantedCase : cases) {
    SCOPED_TRACE(testing::Message() << "call " << static_cast<int>(plantedCase.call) << " from " << plantedCase.from);
    testsupport::FaultyFileSystem files;
    files.plant(plantedCase.call, plantedCase.from, 100);
    const restore::RestoreReport restored = restore(files);
    ASSERT_EQ(restored.files.size(), 1U);
    ASSERT_TRUE(restored.files[0].failure);
    EXPECT_EQ(restored.files[0].failure->reason, plantedCase.reason);
    EXPECT_EQ(restored.files[0].failure->system ? restored.files[0].failure->system->message : "",
              plantedCase.systemWords ? plantedCase.systemWords : "");
    EXPECT_EQ(bytesOf(target()), bad_);
    EXPECT_EQ(kindAndMode(target()), before);
    EXPECT_TRUE(leftovers().empty());
    EXPECT_TRUE(restored.backupFolder.empty());
    EXPECT_TRUE(noRestoreKept());
    EXPECT_TRUE(undo(system_).backupFolder.empty());
  }
}

// Each call of an undo failed in turn: the file keeps the bytes the restore
// put there and its mark, the restore stays to be undone, and the next undo
// completes it.
TEST_F(Restorer, EveryFailingCallOfAnUndoLeavesTheRestoreToBeUndoneAgain) {
  struct Case {
    Call call;
    int from;
    Result result;
    std::optional<Reason> reason;
  };
  const Case cases[] = {
      {Call::WriteNewFile, 1, Result::Failed, Reason::ListFailed},  // the list, marked as being undone
      {Call::ReplaceFile, 1, Result::Failed, Reason::ListFailed},
      {Call::FileFacts, 1, Result::Failed, Reason::Missing},        // what the file is now
      {Call::IsInUse, 1, Result::Failed, Reason::InUse},
      {Call::OpenForReading, 2, Result::Failed, Reason::Unreadable},  // the file, to tell what it holds
      {Call::OpenForReading, 3, Result::Failed, Reason::BackupChanged},
      {Call::WriteNewFile, 2, Result::Failed, Reason::OldWriteFailed},
      {Call::OpenForReading, 4, Result::Failed, Reason::ReadBackFailed},
      {Call::ReplaceFile, 2, Result::Failed, Reason::ReplaceFailed},
      {Call::WriteNewFile, 3, Result::PutBack, std::nullopt},  // the list marked undone
  };
  makeReadOnly(target());
  const std::string before = kindAndMode(target());
  for (const Case& planted : cases) {
    SCOPED_TRACE(testing::Message() << "call " << static_cast<int>(planted.call) << " from " << planted.from);
    ASSERT_TRUE(restore(system_).whole());
    testsupport::FaultyFileSystem files;
    files.plant(planted.call, planted.from, 100);
    const restore::UndoReport undone = undo(files);
    ASSERT_EQ(undone.files.size(), 1U);
    EXPECT_EQ(undone.files[0].result, planted.result);
    EXPECT_EQ(undone.files[0].failure ? std::optional(undone.files[0].failure->reason) : std::nullopt, planted.reason);
    EXPECT_FALSE(undone.whole());
    EXPECT_TRUE(leftovers().empty());
    EXPECT_EQ(bytesOf(target()), planted.result == Result::PutBack ? bad_ : original_);
    EXPECT_EQ(kindAndMode(target()), before);
    const restore::UndoReport again = undo(system_);
    EXPECT_EQ(again.backupFolder, undone.backupFolder);
    EXPECT_TRUE(again.whole());
    EXPECT_EQ(bytesOf(target()), bad_);
    EXPECT_EQ(kindAndMode(target()), before);
  }
}

// The latest restore is the highest number, whatever the folders' dates
// say: a clock set back between two restores changes nothing.
TEST_F(Restorer, TheLatestRestoreIsTheLastNumberNotTheLastDate) {
  const std::string first = restore(system_).backupFolder;
  const Bytes otherBad = testsupport::withCrc32(testsupport::soundFacilityFile(), 0x0BADF11E);
  testsupport::writeBytes(target(), otherBad);
  const std::string second = restore(system_).backupFolder;
  EXPECT_EQ(listIn(second).number, 2U);
  // The first restore's folder now reads as the later one by its date.
  fs::rename(first, backups() / "Restore 1, 2099-12-31 23.59.59");
  fs::rename(second, backups() / "2000-01-01 00.00.00");

  EXPECT_EQ(undo(system_).files.at(0).result, Result::PutBack);
  EXPECT_EQ(bytesOf(target()), otherBad);
  EXPECT_EQ(undo(system_).files.at(0).result, Result::ChangedSince);  // restore 1 put original_, not otherBad
}

// A list that fails its own check stops the undo: nothing is written, and
// the restore before it is never undone in its place. Line ends and hex
// digits as an editor may leave them are read.
TEST_F(Restorer, AListThatFailsItsCheckStopsTheUndo) {
  using Kind = restore::ManifestProblem::Kind;
  const auto damage = [](std::string text) {
    text[text.find("Scenery")] = 'X';
    return text;
  };
  const auto cutShort = [](std::string text) { return text.substr(0, text.rfind("end\t")); };
  const auto midLine = [](std::string text) { return text.substr(0, text.size() - 5); };
  const std::pair<std::string (*)(std::string), std::optional<Kind>> cases[] = {
      {cutShort, Kind::CutShort},
      {midLine, Kind::CutShort},
      {damage, Kind::SumMismatch},
      {[](std::string text) {
         for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) text.insert(at, "\r");
         return text;
       },
       std::nullopt},
      {[](std::string text) {
         for (std::size_t at = text.find("\nfile\t"); at < text.size(); ++at) {
           if (text[at] >= 'A' && text[at] <= 'F') text[at] = static_cast<char>(text[at] - 'A' + 'a');
         }
         return text;
       },
       std::nullopt},
  };
  for (const auto& [edit, problem] : cases) {
    fs::remove_all(backups());
    testsupport::writeBytes(target(), bad_);
    ASSERT_TRUE(restore(system_).whole());
    const Bytes otherBad = testsupport::withCrc32(testsupport::soundFacilityFile(), 0x0BADF11E);
    testsupport::writeBytes(target(), otherBad);
    const std::string latest = restore(system_).backupFolder;
    const fs::path list = fs::path(latest) / "manifest.txt";
    testsupport::writeText(list, edit(testsupport::readText(list)));

    const restore::UndoReport undone = undo(system_);
    if (!problem) {
      EXPECT_EQ(undone.backupFolder, latest);
      EXPECT_EQ(bytesOf(target()), otherBad);
      continue;
    }
    ASSERT_TRUE(undone.damaged);
    EXPECT_EQ(undone.damaged->path, list.string());
    EXPECT_EQ(undone.damaged->problem.kind, *problem);
    EXPECT_FALSE(undone.whole());
    EXPECT_TRUE(undone.files.empty());
    EXPECT_EQ(bytesOf(target()), original_);
  }
}

// The list names its files relative to the host folder: an undo in a copy
// of the installation and its program folder changes the copy, and a path
// that leads outside the installation is refused.
TEST_F(Restorer, TheUndoWritesOnlyTheInstallationItWasMadeFor) {
  ASSERT_TRUE(restore(system_).whole());
  const fs::path copy = dir_.path() / "copy";
  fs::create_directories(copy);
  fs::copy(host(), copy / "FS2002", fs::copy_options::recursive);
  fs::copy(ownFolder(), copy / "own", fs::copy_options::recursive);
  const restore::UndoReport undone = undo(system_, {(copy / "own").string(), (copy / "FS2002").string()});
  EXPECT_TRUE(undone.whole());
  EXPECT_EQ(bytesOf(copy / "FS2002" / "Scenery" / "World" / "scenery" / "geopol12.bgl"), bad_);
  EXPECT_EQ(bytesOf(target()), original_);

  // A list written by hand (its checksum made right) naming a file above the host folder.
  const fs::path outside = dir_.path() / "outside.bgl";
  testsupport::writeBytes(outside, original_);
  const fs::path folder = fs::directory_iterator(backups())->path();
  restore::Manifest list = listIn(folder);
  for (const char* text : {"..\\outside.bgl", "Scenery\\..\\..\\outside.bgl"}) {
    list.entries.at(0).target = text;
    testsupport::writeText(folder / "manifest.txt", restore::manifestText(list));
    const restore::UndoReport refused = undo(system_);
    ASSERT_EQ(refused.files.size(), 1U);
    ASSERT_TRUE(refused.files[0].failure);
    EXPECT_EQ(refused.files[0].failure->reason, Reason::OutsideInstallation);
    EXPECT_EQ(refused.files[0].failure->detail, text);
    EXPECT_EQ(bytesOf(outside), original_);
  }
}

// One file reached two ways is restored once, under one list line.
TEST_F(Restorer, OneFileReachedTwoWaysIsRestoredOnce) {
  const fs::path otherWay = host() / "Scenery" / ".." / "Scenery" / "World" / "scenery" / "geopol12.bgl";
  const restore::RestoreReport restored = restore(system_, {target(), otherWay});
  ASSERT_EQ(restored.files.size(), 2U);
  EXPECT_TRUE(restored.whole());
  EXPECT_TRUE(restored.files[0].sameFileAs.empty());
  EXPECT_EQ(restored.files[1].sameFileAs, target().string());
  EXPECT_EQ(listIn(restored.backupFolder).entries.size(), 1U);
  EXPECT_EQ(bytesOf(target()), original_);
}

// A restore never removes a file it did not write: a user's copy under the
// temporary files' suffix survives a restore and an undo.
TEST_F(Restorer, FilesOfTheUsersUnderTheTemporaryNamesSurvive) {
  const fs::path kept = target().string() + ".trawlex-new";
  const fs::path numbered = target().string() + ".1-00000000.trawlex-new";
  testsupport::writeBytes(kept, bad_);
  testsupport::writeBytes(numbered, bad_);
  ASSERT_TRUE(restore(system_).whole());
  ASSERT_TRUE(undo(system_).whole());
  ASSERT_TRUE(restore(system_).whole());
  EXPECT_EQ(bytesOf(kept), bad_);
  EXPECT_EQ(bytesOf(numbered), bad_);
}

// What a restore stopped midway left is finished by the next run: its own
// temporary file removed (a part of what it meant to write), another's kept,
// the mark it lifted put back; a backup folder whose list never reached the
// disk removed with the copies in it, and nothing of the user's.
TEST_F(Restorer, TheNextRunFinishesWhatAStoppedRestoreLeft) {
  makeReadOnly(target());
  const std::string folder = restore(system_).backupFolder;
  restore::Manifest list = listIn(folder);
  list.state = restore::RestoreState::Restoring;
  testsupport::writeText(fs::path(folder) / "manifest.txt", restore::manifestText(list));
  const fs::path own = target().string() + "." + list.temporaryTag + ".trawlex-new";
  testsupport::writeBytes(own, Bytes(original_.begin(), original_.begin() + 100));
  fs::permissions(target(), fs::perms::owner_write, fs::perm_options::add);  // as Windows leaves it

  const fs::path stranger = dir_.path() / "own" / "Trawlex backups" / "Restore 7, 2026-01-01 00.00.00";
  testsupport::writeBytes(stranger / "1 geopol12.bgl", bad_);
  testsupport::writeBytes(stranger / "notes.txt", bad_);
  const fs::path cut = backups() / "Restore 8, 2026-01-01 00.00.00";
  testsupport::writeBytes(cut / "1 geopol12.bgl", bad_);
  testsupport::writeBytes(cut / "manifest.txt.trawlex-new", bad_);

  restore::finishInterrupted(system_, site(), kernel_);
  EXPECT_FALSE(fs::exists(own));
  EXPECT_TRUE(isReadOnly(target()));
  EXPECT_EQ(listIn(folder).state, restore::RestoreState::Restored);
  EXPECT_FALSE(fs::exists(cut));
  EXPECT_FALSE(fs::exists(stranger / "1 geopol12.bgl"));
  EXPECT_EQ(bytesOf(stranger / "notes.txt"), bad_);

  // Bytes it never meant to write are not its own.
  list.state = restore::RestoreState::Restoring;
  testsupport::writeText(fs::path(folder) / "manifest.txt", restore::manifestText(list));
  testsupport::writeBytes(own, bad_);
  restore::finishInterrupted(system_, site(), kernel_);
  EXPECT_EQ(bytesOf(own), bad_);
}

// A temporary file that could not be removed keeps the list that names it,
// so that the next run removes it (and then the restore, which replaced nothing).
TEST_F(Restorer, ATemporaryFileThatCouldNotBeRemovedIsRemovedByTheNextRun) {
  testsupport::FaultyFileSystem files;
  files.plant(Call::ReplaceFile, 2, 1);
  files.plant(Call::RemoveFile, 2, 100);
  const restore::RestoreReport restored = restore(files);
  ASSERT_TRUE(restored.files.at(0).failure);
  EXPECT_EQ(restored.files[0].failure->reason, Reason::ReplaceFailed);
  EXPECT_EQ(leftovers().size(), 1U);
  EXPECT_EQ(listIn(restored.backupFolder).state, restore::RestoreState::Restoring);
  restore::finishInterrupted(system_, site(), kernel_);
  EXPECT_TRUE(leftovers().empty());
  EXPECT_TRUE(noRestoreKept());
  EXPECT_EQ(bytesOf(target()), bad_);
}

// A list that a failed look misses keeps its folder and copies: only a
// folder that holds no list, asked twice, is cleared.
TEST_F(Restorer, AListMissedByAFailedLookKeepsItsRestore) {
  const std::string folder = restore(system_).backupFolder;
  testsupport::FaultyFileSystem files;
  files.plant(Call::IsExistingFile, 1, 100);
  restore::finishInterrupted(files, site(), kernel_);
  EXPECT_TRUE(fs::exists(fs::path(folder) / "manifest.txt"));
  EXPECT_EQ(bytesOf(fs::path(folder) / "1 geopol12.bgl"), bad_);
  EXPECT_TRUE(undo(system_).whole());
  EXPECT_EQ(bytesOf(target()), bad_);
}

// A replace whose rename was made is a restored file even when the folder's
// flush then fails: told with a warning, and the file is not marked again.
TEST_F(Restorer, AReplaceWhoseFolderFlushFailedIsRestoredWithAWarning) {
  testsupport::FaultyFileSystem files;
  files.plantFlushFailureAfterRename(2);
  const restore::RestoreReport restored = restore(files);
  ASSERT_EQ(restored.files.size(), 1U);
  EXPECT_TRUE(restored.files[0].restored());
  ASSERT_TRUE(restored.files[0].notDurable);
  EXPECT_FALSE(restored.whole());
  EXPECT_EQ(bytesOf(target()), original_);
  EXPECT_FALSE(isReadOnly(target()));
  EXPECT_EQ(listIn(restored.backupFolder).state, restore::RestoreState::Restored);
}

// The undo tells a file deleted since the restore from one that changed.
TEST_F(Restorer, TheUndoTellsAMissingFileFromAChangedOne) {
  ASSERT_TRUE(restore(system_).whole());
  fs::remove(target());
  restore::UndoReport undone = undo(system_);
  ASSERT_TRUE(undone.files.at(0).failure);
  EXPECT_EQ(undone.files[0].failure->reason, Reason::Missing);
  EXPECT_FALSE(fs::exists(target()));
  testsupport::writeBytes(target(), Bytes(10, 'x'));
  undone = undo(system_);
  EXPECT_EQ(undone.files.at(0).result, Result::ChangedSince);
  EXPECT_EQ(bytesOf(target()), Bytes(10, 'x'));
}

// A list of an earlier version (whole paths, no number, no checksum) is
// undone, only inside the host folder.
TEST_F(Restorer, AListOfAnEarlierVersionIsUndoneInsideTheHostFolder) {
  testsupport::writeBytes(target(), original_);
  const fs::path folder = backups() / "2026-01-01 10.00.00";
  testsupport::writeBytes(folder / "1 geopol12.bgl", bad_);
  char sums[32];
  (void)std::snprintf(sums, sizeof sums, "%08X\t%08X", testsupport::referenceCrc32(bad_),
                      testsupport::referenceCrc32(original_));
  const auto listNaming = [&](const fs::path& path) {
    return "Trawlex restore\nstate\trestored\nfile\t1 geopol12.bgl\t" + std::string(sums) + "\twritable\t" +
           path.string() + "\tcd\nend\n";
  };
  const fs::path outside = dir_.path() / "elsewhere" / "geopol12.bgl";
  testsupport::writeBytes(outside, original_);
  testsupport::writeText(folder / "manifest.txt", listNaming(outside));
  restore::UndoReport undone = undo(system_);
  ASSERT_TRUE(undone.files.at(0).failure);
  EXPECT_EQ(undone.files[0].failure->reason, Reason::OutsideInstallation);
  EXPECT_EQ(bytesOf(outside), original_);

  testsupport::writeText(folder / "manifest.txt", listNaming(target()));
  undone = undo(system_);
  EXPECT_TRUE(undone.whole());
  EXPECT_EQ(bytesOf(target()), bad_);
}

TEST_F(Restorer, WithoutAFolderOfItsOwnNothingIsReplaced) {
  const restore::RestoreReport restored = restore::restoreFiles(
      system_, {{testsupport::builtPath(target().string()), original()}}, {std::nullopt, host().string()}, kernel_);
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
      restore::restoreFiles(system_, {{testsupport::builtPath(target().string()), entry}}, site(), kernel_);
  ASSERT_EQ(restored.files.size(), 1U);
  EXPECT_TRUE(restored.files[0].restored());
  EXPECT_EQ(bytesOf(target()), original_);

  testsupport::writeBytes(target(), bad_);
  const originals::VerifiedOriginal altered{entry.path, entry.entry, true, entry.crc ^ 1U, kept};
  restored = restore::restoreFiles(system_, {{testsupport::builtPath(target().string()), altered}}, site(), kernel_);
  ASSERT_TRUE(restored.files[0].failure);
  EXPECT_EQ(restored.files[0].failure->reason, Reason::OriginalChanged);
  EXPECT_EQ(bytesOf(target()), bad_);
}

#ifndef _WIN32
// A symbolic link is never replaced, nor the mode of the file it leads to
// changed; a file with other names is replaced, and they keep its old bytes
// and mode.
TEST_F(Restorer, LinksAreNamedAndTheFilesTheyLeadToLeftAlone) {
  const fs::path elsewhere = dir_.path() / "elsewhere.bgl";
  testsupport::writeBytes(elsewhere, bad_);
  makeReadOnly(elsewhere);
  const std::string elsewhereBefore = kindAndMode(elsewhere);
  fs::remove(target());
  fs::create_symlink(elsewhere, target());
  restore::RestoreReport restored = restore(system_);
  ASSERT_TRUE(restored.files.at(0).failure);
  EXPECT_EQ(restored.files[0].failure->reason, Reason::SymbolicLink);
  EXPECT_EQ(restored.files[0].failure->detail, elsewhere.string());
  EXPECT_TRUE(fs::is_symlink(target()));
  EXPECT_EQ(kindAndMode(elsewhere), elsewhereBefore);
  EXPECT_EQ(bytesOf(elsewhere), bad_);

  fs::remove(target());
  fs::create_hard_link(elsewhere, target());
  restored = restore(system_);
  EXPECT_TRUE(restored.whole());
  EXPECT_EQ(restored.files.at(0).otherNames, 1U);
  EXPECT_EQ(bytesOf(target()), original_);
  EXPECT_TRUE(isReadOnly(target()));
  EXPECT_EQ(bytesOf(elsewhere), bad_);
  EXPECT_EQ(kindAndMode(elsewhere), elsewhereBefore);
}

// A file another program holds open is neither replaced nor put back: the
// kernel refuses a write lease while any other descriptor is open.
TEST_F(Restorer, AFileHeldOpenIsNeitherReplacedNorPutBack) {
  {
    std::ifstream holder(target(), std::ios::binary);
    const restore::RestoreReport restored = restore(system_);
    ASSERT_TRUE(restored.files.at(0).failure);
    EXPECT_EQ(restored.files[0].failure->reason, Reason::InUse);
    EXPECT_EQ(bytesOf(target()), bad_);
  }
  ASSERT_TRUE(restore(system_).whole());
  std::ifstream holder(target(), std::ios::binary);
  const restore::UndoReport undone = undo(system_);
  ASSERT_TRUE(undone.files.at(0).failure);
  EXPECT_EQ(undone.files[0].failure->reason, Reason::InUse);
  EXPECT_EQ(bytesOf(target()), original_);
}
#endif

}  // namespace
