// POSIX services: case-insensitive lookups as under Wine, the directory
// search's order, and which entries can be opened.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

TEST(PosixPlatform, DirectorySearchTakesBglNamesInUpperCaseOrder) {
  TempDir dir;
  for (const char* name : {"b.bgl", "_a.bgl", "A.BGL", "a.bgl", "c.BgL", "x.bgl.bak", "bgl", "notes.txt", "Z.bgl"}) {
    writeText(dir.path() / name, "x");
  }
  fs::create_directory(dir.path() / "d.bgl");
  const auto listing = platform::findBglFiles(dir.path().string() + "/");
  EXPECT_EQ(listing.folder, dir.path().string() + "/");
  // '_' sorts after the upper-case letters and before the lower-case ones.
  EXPECT_EQ(listing.names, (std::vector<std::string>{"A.BGL", "a.bgl", "b.bgl", "c.BgL", "d.bgl", "Z.bgl", "_a.bgl"}));
}

TEST(PosixPlatform, MissingFolderHasNoEntries) {
  TempDir dir;
  EXPECT_TRUE(platform::findBglFiles((dir.path() / "none" / "scenery").string() + "/").names.empty());
}

TEST(PosixPlatform, NamesResolveWithoutRegardToCaseWhereTheExactSpellingIsMissing) {
  TempDir dir;
  writeText(dir.path() / "FS2002" / "Addon Scenery" / "SCENERY" / "F.BGL", "x");
  writeText(dir.path() / "FS2002" / "SCENERY.CFG", "[Area.001]\nLocal=Addon Scenery\n");
  fs::create_directories(dir.path() / "FS2002" / "SceneDB");
  const std::string host = dir.path().string() + "/FS2002";
  const auto listing = platform::findBglFiles(host + "/addon scenery/scenery/");
  EXPECT_EQ(listing.folder, host + "/Addon Scenery/SCENERY/");
  EXPECT_EQ(listing.names, (std::vector<std::string>{"F.BGL"}));
  EXPECT_TRUE(platform::pathExists(host + "/SCENEDB"));
  fs::create_directories(dir.path() / "FS2002" / "Tools");
  EXPECT_TRUE(platform::pathExists(host + "/tools/../scenedb"));
  EXPECT_FALSE(platform::pathExists(host + "/SCENEDBX"));
  EXPECT_FALSE(platform::pathExists(""));
  EXPECT_EQ(platform::profileValue(host + "/Scenery.cfg", "Area.001", "Local"), "Addon Scenery");
  EXPECT_EQ(platform::profileValue(host + "/Missing.cfg", "Area.001", "Local"), "");
}

TEST(PosixPlatform, ExactSpellingWinsOverOtherCases) {
  TempDir dir;
  writeText(dir.path() / "scenery" / "one.bgl", "x");
  writeText(dir.path() / "SCENERY" / "two.bgl", "x");
  EXPECT_EQ(platform::findBglFiles(dir.path().string() + "/SCENERY/").names, (std::vector<std::string>{"two.bgl"}));
  EXPECT_EQ(platform::findBglFiles(dir.path().string() + "/scenery/").names, (std::vector<std::string>{"one.bgl"}));
}

TEST(PosixPlatform, OnlyRegularFilesOpen) {
  TempDir dir;
  writeText(dir.path() / "file.bgl", "x");
  fs::create_directory(dir.path() / "folder.bgl");
  ASSERT_EQ(::mkfifo((dir.path() / "fifo.bgl").c_str(), 0600), 0);
  std::FILE* file = platform::openForReading((dir.path() / "file.bgl").string());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(std::fgetc(file), 'x');
  std::fclose(file);
  EXPECT_EQ(platform::openForReading((dir.path() / "folder.bgl").string()), nullptr);
  EXPECT_EQ(platform::openForReading((dir.path() / "fifo.bgl").string()), nullptr);  // must not block
  EXPECT_EQ(platform::openForReading((dir.path() / "none.bgl").string()), nullptr);
}

TEST(PosixPlatform, ConfigFolderTexts) {
  EXPECT_EQ(platform::nativeFolderText("Scenery\\World"), "Scenery/World");
  EXPECT_EQ(platform::nativeFolderText("\\\\server\\share"), "//server/share");
  EXPECT_TRUE(platform::isAbsolutePath("/srv/addon"));
  EXPECT_FALSE(platform::isAbsolutePath("Scenery/World"));
  EXPECT_FALSE(platform::isAbsolutePath("C:/Addon"));
  EXPECT_FALSE(platform::isAbsolutePath(""));
  EXPECT_EQ(platform::registryText("SOFTWARE\\Microsoft", "EXE Path"), std::nullopt);
}

TEST(PosixPlatform, ProgramAndCurrentFolder) {
  EXPECT_EQ(fs::path(platform::programPath()).filename(), "platform_posix_test");
  TempDir dir;
  const std::string before = platform::currentFolder();
  platform::setCurrentFolder(fs::canonical(dir.path()).string());
  EXPECT_EQ(platform::currentFolder(), fs::canonical(dir.path()).string());
  platform::setCurrentFolder(before);
  EXPECT_EQ(platform::currentFolder(), before);
}

}  // namespace
