// What every system's file calls promise, held by one suite that runs
// against each real implementation: natively on Linux and under Wine for
// Windows, so that the two cannot drift apart.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/path_text.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readText;
using testsupport::TempDir;
using testsupport::writeText;

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A device's name as each system spells it.
std::string deviceName() { return platform::pathSeparator() == '\\' ? "NUL" : "/dev/null"; }

TEST(FileSystemContract, NewFilesAreWrittenWholeAndNeverOverAnother) {
  TempDir dir;
  platform::SystemFileSystem files;
  const std::string path = (dir.path() / "new.bgl").string();
  EXPECT_FALSE(files.writeNewFile(path, bytesOf("first"), std::nullopt));
  EXPECT_EQ(readText(path), "first");
  // A file that is there is never written over; one that cannot be made leaves nothing.
  EXPECT_TRUE(files.writeNewFile(path, bytesOf("second"), std::nullopt));
  EXPECT_EQ(readText(path), "first");
  const fs::path inMissingFolder = dir.path() / "missing" / "new.bgl";
  EXPECT_TRUE(files.writeNewFile(inMissingFolder.string(), bytesOf("x"), std::nullopt));
  EXPECT_FALSE(fs::exists(inMissingFolder));
  // A folder is made once; a second time is refused.
  const std::string folder = (dir.path() / "backups").string();
  EXPECT_FALSE(files.createFolder(folder));
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(files.createFolder(folder));
  // Removing a file that is gone succeeds: it is gone.
  EXPECT_TRUE(files.removeFile(path));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(files.removeFile(path));
}

TEST(FileSystemContract, ReplacingPutsOneFileInTheOthersPlace) {
  TempDir dir;
  platform::SystemFileSystem files;
  const std::string from = (dir.path() / "geopol12.bgl.new").string();
  const std::string to = (dir.path() / "geopol12.bgl").string();
  writeText(from, "original");
  writeText(to, "bad");
  EXPECT_TRUE(files.replaceFile(from, to).replaced);
  EXPECT_EQ(readText(to), "original");
  EXPECT_FALSE(fs::exists(from));
  // The place need not be taken; the file to move must be there.
  writeText(from, "again");
  const std::string fresh = (dir.path() / "fresh.bgl").string();
  const platform::ReplaceOutcome made = files.replaceFile(from, fresh);
  EXPECT_TRUE(made.replaced && !made.failure);
  EXPECT_EQ(readText(fresh), "again");
  const platform::ReplaceOutcome refused = files.replaceFile(from, to);
  EXPECT_FALSE(refused.replaced);
  ASSERT_TRUE(refused.failure);
  EXPECT_FALSE(refused.failure->message.empty());
  EXPECT_EQ(readText(to), "original");
}

// A new file carries its read-only mark from the start, a read-only file is
// replaced as it is, and the new one keeps its own mark; a failed replace
// leaves the old one's.
TEST(FileSystemContract, MarksTravelWithTheNewFileAndSurviveTheReplace) {
  TempDir dir;
  platform::SystemFileSystem files;
  const std::string to = (dir.path() / "geopol12.bgl").string();
  writeText(to, "bad");
  ASSERT_TRUE(files.setReadOnly(to, true));
  const std::string from = to + ".new";
  EXPECT_FALSE(files.writeNewFile(from, bytesOf("original"), platform::NewFileMark{to, true}));
  EXPECT_EQ(readText(from), "original");
  EXPECT_EQ(files.isReadOnly(from), true);
  EXPECT_TRUE(files.replaceFile(from, to).replaced);
  EXPECT_EQ(readText(to), "original");
  EXPECT_EQ(files.isReadOnly(to), true);
  EXPECT_FALSE(files.replaceFile(from, to).replaced);
  EXPECT_EQ(files.isReadOnly(to), true);
  const std::string writable = to + ".writable";
  EXPECT_FALSE(files.writeNewFile(writable, bytesOf("x"), platform::NewFileMark{to, false}));
  EXPECT_EQ(files.isReadOnly(writable), false);
  // A read-only file is removed like any other.
  EXPECT_TRUE(files.removeFile(to));
  EXPECT_FALSE(fs::exists(to));
}

// One file reached two ways has one identity; a folder and a missing name
// are told apart from files; an empty folder is removed, a full one is not.
TEST(FileSystemContract, FactsTellOneFileByItsIdentity) {
  TempDir dir;
  platform::SystemFileSystem files;
  writeText(dir.path() / "World" / "geopol12.bgl", "x");
  writeText(dir.path() / "World" / "geopol07.bgl", "x");
  const char separator = platform::pathSeparator();
  const platform::FileFacts one = files.fileFacts((dir.path() / "World" / "geopol12.bgl").string());
  const std::string otherWay = dir.path().string() + separator + "World" + separator + ".." + separator + "World" +
                               separator + "geopol12.bgl";
  EXPECT_EQ(one.kind, platform::FileFacts::Kind::Regular);
  ASSERT_TRUE(one.identity);
  EXPECT_EQ(one.names, 1U);
  EXPECT_EQ(files.fileFacts(otherWay).identity, one.identity);
  EXPECT_NE(files.fileFacts((dir.path() / "World" / "geopol07.bgl").string()).identity, one.identity);
  EXPECT_EQ(files.fileFacts((dir.path() / "World").string()).kind, platform::FileFacts::Kind::Other);
  EXPECT_EQ(files.fileFacts((dir.path() / "none.bgl").string()).kind, platform::FileFacts::Kind::Missing);
  EXPECT_FALSE(files.removeFolder((dir.path() / "World").string()));
  EXPECT_TRUE(fs::exists(dir.path() / "World" / "geopol12.bgl"));
  fs::create_directory(dir.path() / "Empty");
  EXPECT_TRUE(files.removeFolder((dir.path() / "Empty").string()));
  EXPECT_FALSE(fs::exists(dir.path() / "Empty"));
}

// A file held open by another stream is in use, on both systems alike; once
// closed it is not.
TEST(FileSystemContract, AFileHeldOpenIsInUse) {
  TempDir dir;
  platform::SystemFileSystem files;
  const std::string path = (dir.path() / "geopol12.bgl").string();
  writeText(path, "x");
  EXPECT_FALSE(files.isInUse(path));
  {
    std::ifstream holder(path, std::ios::binary);
    ASSERT_TRUE(holder);
    EXPECT_TRUE(files.isInUse(path));
  }
  EXPECT_FALSE(files.isInUse(path));
  EXPECT_FALSE(files.isInUse((dir.path() / "none.bgl").string()));
}

TEST(FileSystemContract, ReadOnlyMarkIsSetAndLifted) {
  TempDir dir;
  platform::SystemFileSystem files;
  const std::string path = (dir.path() / "geopol12.bgl").string();
  writeText(path, "x");
  EXPECT_EQ(files.isReadOnly(path), false);
  EXPECT_TRUE(files.setReadOnly(path, true));
  EXPECT_EQ(files.isReadOnly(path), true);
  EXPECT_TRUE(files.setReadOnly(path, false));
  EXPECT_EQ(files.isReadOnly(path), false);
  EXPECT_EQ(files.isReadOnly((dir.path() / "missing.bgl").string()), std::nullopt);
  EXPECT_FALSE(files.setReadOnly((dir.path() / "missing.bgl").string(), true));
}

TEST(FileSystemContract, FolderContentsComeInUpperCaseOrderOnEverySystem) {
  TempDir dir;
  platform::SystemFileSystem files;
  for (const char* name : {"b.bgl", "_x.bgl", "A.cab", "c.BGL"}) writeText(dir.path() / name, "x");
  for (const char* name : {"Zeta", "alpha"}) fs::create_directory(dir.path() / name);
  const platform::FolderContents contents = files.listFolder(dir.path().string() + platform::pathSeparator());
  EXPECT_EQ(contents.files, (std::vector<std::string>{"A.cab", "b.bgl", "c.BGL", "_x.bgl"}));
  EXPECT_EQ(contents.folders, (std::vector<std::string>{"alpha", "Zeta"}));
  const platform::FolderContents missing = files.listFolder((dir.path() / "none").string() + platform::pathSeparator());
  EXPECT_TRUE(missing.files.empty() && missing.folders.empty());
}

// The listing is replaced in one step (the old one stays whole until the
// new one is on the disk), in the spelling on disk, and never written into
// a device or a folder.
TEST(FileSystemContract, ListingIsReplacedWholeOnlyAsARegularOrNewFile) {
  TempDir dir;
  const fs::path fresh = dir.path() / "FileList.txt";
  EXPECT_TRUE(platform::replaceWholeFile(fresh.string(), bytesOf("new listing")));
  EXPECT_EQ(readText(fresh), "new listing");
  const std::string otherCase = (dir.path() / "FILELIST.TXT").string();
  EXPECT_TRUE(platform::replaceWholeFile(otherCase, bytesOf("xy")));
  EXPECT_EQ(readText(fresh), "xy");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"FileList.txt"});  // one file, nothing left beside it
  EXPECT_FALSE(platform::replaceWholeFile(deviceName(), bytesOf("x")));
  fs::create_directory(dir.path() / "folder");
  EXPECT_FALSE(platform::replaceWholeFile((dir.path() / "folder").string(), bytesOf("x")));
  EXPECT_TRUE(fs::is_directory(dir.path() / "folder"));
}

// The calls that take the installation's texts ignore letter case on every
// system, as Windows does.
TEST(FileSystemContract, InstallationTextsFindTheirFileInAnyLetterCase) {
  TempDir dir;
  platform::SystemFileSystem files;
  writeText(dir.path() / "Scenery" / "Scenery.cfg", "[Area.001]\nLocal=World\n");
  const std::string s(1, platform::pathSeparator());
  const std::string otherCase = dir.path().string() + s + "SCENERY" + s + "scenery.CFG";
  EXPECT_TRUE(files.pathExists(otherCase));
  std::string text;
  EXPECT_TRUE(files.readFileInBlocks(otherCase, [&text](std::string_view block) { text += block; }));
  EXPECT_EQ(text, "[Area.001]\nLocal=World\n");
  EXPECT_EQ(platform::profileValues(otherCase, {"AREA.001"}, "local"), (std::vector<std::string>{"World"}));
  EXPECT_FALSE(files.pathExists(dir.path().string() + s + "Scenery" + s + "missing.cfg"));
}

TEST(FileSystemContract, OpenedFilesAreReadAtAnyPosition) {
  TempDir dir;
  writeText(dir.path() / "file.bgl", "0123456789");
  const platform::File file = platform::openForReading((dir.path() / "file.bgl").string());
  ASSERT_TRUE(file);
  EXPECT_EQ(platform::fileSize(file), 10U);
  std::vector<std::uint8_t> bytes(4);
  EXPECT_TRUE(platform::readExactly(file, 6, bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "6789");
  EXPECT_FALSE(platform::readExactly(file, 7, bytes));  // the end comes first
  EXPECT_EQ(platform::readAt(file, 10, bytes), 0U);
  const platform::File none = platform::openForReading((dir.path() / "missing.bgl").string());
  EXPECT_FALSE(none);
  EXPECT_EQ(platform::fileSize(none), std::nullopt);
  EXPECT_FALSE(platform::openForReading(deviceName()));
}

}  // namespace
