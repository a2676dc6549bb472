// What every system's file calls promise, held by one suite that runs
// against each real implementation: natively on Linux and under Wine for
// Windows, so that the two cannot drift apart.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
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
  EXPECT_FALSE(files.writeNewFile(path, bytesOf("first")));
  EXPECT_EQ(readText(path), "first");
  // A file that is there is never written over; one that cannot be made leaves nothing.
  EXPECT_TRUE(files.writeNewFile(path, bytesOf("second")));
  EXPECT_EQ(readText(path), "first");
  const fs::path inMissingFolder = dir.path() / "missing" / "new.bgl";
  EXPECT_TRUE(files.writeNewFile(inMissingFolder.string(), bytesOf("x")));
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
  EXPECT_FALSE(files.replaceFile(from, to));
  EXPECT_EQ(readText(to), "original");
  EXPECT_FALSE(fs::exists(from));
  // The place need not be taken; the file to move must be there.
  writeText(from, "again");
  const std::string fresh = (dir.path() / "fresh.bgl").string();
  EXPECT_FALSE(files.replaceFile(from, fresh));
  EXPECT_EQ(readText(fresh), "again");
  const std::optional<platform::FileFailure> failure = files.replaceFile(from, to);
  ASSERT_TRUE(failure);
  EXPECT_FALSE(failure->message.empty());
  EXPECT_EQ(readText(to), "original");
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

TEST(FileSystemContract, ListingIsWrittenOnlyIntoARegularOrNewFile) {
  TempDir dir;
  const fs::path fresh = dir.path() / "FileList.txt";
  std::FILE* file = platform::openForWriting(fresh.string());
  ASSERT_NE(file, nullptr);
  std::fputs("new", file);
  std::fclose(file);
  file = platform::openForWriting(fresh.string());
  ASSERT_NE(file, nullptr);
  std::fputs("xy", file);
  std::fclose(file);
  EXPECT_EQ(readText(fresh), "xy");  // emptied first
  EXPECT_EQ(platform::openForWriting(deviceName()), nullptr);
  fs::create_directory(dir.path() / "folder");
  EXPECT_EQ(platform::openForWriting((dir.path() / "folder").string()), nullptr);
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
