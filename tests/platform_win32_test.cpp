// Windows services as the run sees them under Windows and Wine: absolute
// folder texts, the directory search's order and filter, existence tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

TEST(Win32Platform, AbsoluteFolderTexts) {
  for (const char* path : {"C:\\Addon", "C:/Addon", "d:\\", "\\\\server\\share"}) {
    EXPECT_TRUE(platform::isAbsolutePath(path)) << path;
  }
  for (const char* path : {"Scenery\\World", "C:Addon", "\\Addon", "1:\\x", "", "C"}) {
    EXPECT_FALSE(platform::isAbsolutePath(path)) << path;
  }
  EXPECT_EQ(platform::nativeFolderText("Scenery\\World"), "Scenery\\World");
  EXPECT_EQ(platform::pathSeparator(), '\\');
}

TEST(Win32Platform, DirectorySearchOrderAndFilter) {
  TempDir dir;
  for (const char* name : {"b.bgl", "_a.bgl", "c.BgL", "Z.bgl", "x.bgl.bak", "notes.txt"}) {
    writeText(dir.path() / name, "x");
  }
  const auto listing = platform::findBglFiles(dir.path().string() + "\\");
  EXPECT_EQ(listing.folder, dir.path().string() + "\\");
  // The same order as the POSIX build's: letters folded to upper case.
  EXPECT_EQ(listing.names, (std::vector<std::string>{"b.bgl", "c.BgL", "Z.bgl", "_a.bgl"}));
  EXPECT_TRUE(platform::findBglFiles(dir.path().string() + "\\none\\").names.empty());
}

TEST(Win32Platform, ExistenceProfileAndFiles) {
  TempDir dir;
  writeText(dir.path() / "Scenery.cfg", "[Area.001]\r\nLocal=\"Scenery\\World\"\r\n");
  fs::create_directory(dir.path() / "folder.bgl");
  EXPECT_TRUE(platform::pathExists(dir.path().string()));
  EXPECT_TRUE(platform::pathExists((dir.path() / "SCENERY.CFG").string()));
  EXPECT_FALSE(platform::pathExists((dir.path() / "missing").string()));
  EXPECT_EQ(platform::profileValue((dir.path() / "Scenery.cfg").string(), "area.001", "LOCAL"), "Scenery\\World");
  EXPECT_EQ(platform::profileValue((dir.path() / "Scenery.cfg").string(), "Area.002", "Local"), "");
  EXPECT_EQ(platform::openForReading((dir.path() / "folder.bgl").string()), nullptr);
  std::FILE* file = platform::openForReading((dir.path() / "Scenery.cfg").string());
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_EQ(platform::registryText("SOFTWARE\\Trawlex\\NoSuchKey", "EXE Path"), std::nullopt);
  EXPECT_EQ(fs::path(platform::programPath()).filename(), "platform_win32_test.exe");
}

}  // namespace
