// POSIX services: case-insensitive lookups as under Wine, the directory
// search's order and filter, which entries can be opened and written, and
// the Wine prefix's answers for drive letters and the registry.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/posix/windows_view.h"
#include "platform/posix/wine_prefix.h"
#include "support/prefix_builder.h"
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
  const auto listing = platform::findBglFiles({}, dir.path().string() + "/");
  EXPECT_EQ(listing.folder, dir.path().string() + "/");
  // '_' sorts after the upper-case letters and before the lower-case ones.
  EXPECT_EQ(listing.names, (std::vector<std::string>{"A.BGL", "a.bgl", "b.bgl", "c.BgL", "d.bgl", "Z.bgl", "_a.bgl"}));
}

TEST(PosixPlatform, DirectorySearchMatchesShortNamesLikeWindows) {
  // Scenery switched off by renaming still answers "*.bgl" through its 8.3 name.
  TempDir dir;
  for (const char* name : {"apt.bgl_off", "old.bglold", "x.bglx", "y.bgl_", "LongName.Bgl1", "x.bgl.bak", "bg.bg",
                           "z.bg", "nobgl", "q.abgl"}) {
    writeText(dir.path() / name, "x");
  }
  EXPECT_EQ(platform::findBglFiles({}, dir.path().string() + "/").names,
            (std::vector<std::string>{"apt.bgl_off", "LongName.Bgl1", "old.bglold", "x.bglx", "y.bgl_"}));
}

TEST(PosixPlatform, MissingFolderHasNoEntries) {
  TempDir dir;
  EXPECT_TRUE(platform::findBglFiles({}, (dir.path() / "none" / "scenery").string() + "/").names.empty());
}

TEST(PosixPlatform, NamesResolveWithoutRegardToCaseWhereTheExactSpellingIsMissing) {
  TempDir dir;
  writeText(dir.path() / "FS2002" / "Addon Scenery" / "SCENERY" / "F.BGL", "x");
  writeText(dir.path() / "FS2002" / "SCENERY.CFG", "[Area.001]\nLocal=Addon Scenery\n");
  fs::create_directories(dir.path() / "FS2002" / "SceneDB");
  const std::string host = dir.path().string() + "/FS2002";
  const auto listing = platform::findBglFiles({}, host + "/addon scenery/scenery/");
  EXPECT_EQ(listing.folder, host + "/Addon Scenery/SCENERY/");
  EXPECT_EQ(listing.names, (std::vector<std::string>{"F.BGL"}));
  EXPECT_TRUE(platform::pathExists(host + "/SCENEDB"));
  fs::create_directories(dir.path() / "FS2002" / "Tools");
  EXPECT_TRUE(platform::pathExists(host + "/tools/../scenedb"));
  EXPECT_FALSE(platform::pathExists(host + "/SCENEDBX"));
  EXPECT_FALSE(platform::pathExists(""));
  EXPECT_EQ(platform::profileValues(host + "/Scenery.cfg", {"Area.001"}, "Local"), (std::vector<std::string>{"Addon Scenery"}));
  EXPECT_EQ(platform::profileValues(host + "/Missing.cfg", {"Area.001"}, "Local"), std::nullopt);
}

TEST(PosixPlatform, ExactSpellingWinsOverOtherCases) {
  TempDir dir;
  writeText(dir.path() / "scenery" / "one.bgl", "x");
  writeText(dir.path() / "SCENERY" / "two.bgl", "x");
  EXPECT_EQ(platform::findBglFiles({}, dir.path().string() + "/SCENERY/").names, (std::vector<std::string>{"two.bgl"}));
  EXPECT_EQ(platform::findBglFiles({}, dir.path().string() + "/scenery/").names, (std::vector<std::string>{"one.bgl"}));
}

TEST(PosixPlatform, OnlyRegularFilesOpen) {
  TempDir dir;
  writeText(dir.path() / "file.bgl", "x");
  fs::create_directory(dir.path() / "folder.bgl");
  ASSERT_EQ(::mkfifo((dir.path() / "fifo.bgl").c_str(), 0600), 0);
  const platform::File file = platform::openForReading((dir.path() / "file.bgl").string());
  ASSERT_TRUE(file);
  std::uint8_t byte = 0;
  EXPECT_EQ(platform::readAt(file, 0, {&byte, 1}), 1U);
  EXPECT_EQ(byte, 'x');
  fs::create_symlink(dir.path() / "gone", dir.path() / "dangling.bgl");
  // None of these is a file that failed to open: no failure is told.
  for (const char* name : {"folder.bgl", "fifo.bgl", "none.bgl", "dangling.bgl"}) {
    std::optional<platform::FileFailure> failure;
    EXPECT_FALSE(platform::openForReading((dir.path() / name).string(), &failure)) << name;  // a FIFO must not block
    EXPECT_FALSE(failure) << name;
  }
  EXPECT_FALSE(platform::findBglFiles({}, (dir.path() / "none").string() + "/").failure);
  EXPECT_FALSE(platform::findBglFiles({}, (dir.path() / "file.bgl").string() + "/").failure);
}

// What the contract suite cannot make on every system: a FIFO and a link to a device.
TEST(PosixPlatform, ListingIsNeverWrittenIntoAPipeOrThroughALinkToADevice) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
  const std::string text = "listing";
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  EXPECT_FALSE(platform::replaceWholeFile((dir.path() / "fifo").string(), bytes));  // must not block
  EXPECT_TRUE(fs::is_fifo(dir.path() / "fifo"));
  fs::create_symlink("/dev/null", dir.path() / "device");
  EXPECT_FALSE(platform::replaceWholeFile((dir.path() / "device").string(), bytes));
  EXPECT_TRUE(fs::is_symlink(dir.path() / "device"));
}

TEST(PosixPlatform, OnlyARegularSceneryCfgIsRead) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir.path() / "fifo.cfg").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir.path() / "zero.cfg");
  fs::create_directory(dir.path() / "folder.cfg");
  for (const char* name : {"fifo.cfg", "zero.cfg", "folder.cfg"}) {
    EXPECT_EQ(platform::profileValues((dir.path() / name).string(), {"Area.001"}, "Local"), std::nullopt) << name;
  }
}

TEST(PosixPlatform, AnsiValuesBecomeUtf8AndUtf8ValuesStay) {
  TempDir dir;
  writeText(dir.path() / "ansi.cfg", "[Area.001]\r\nLocal=M\xfcnchen\r\n[Area.002]\r\nLocal=\x80 \x81\r\n");
  writeText(dir.path() / "utf8.cfg", "[Area.001]\r\nLocal=M\xc3\xbcnchen\r\n");
  writeText(dir.path() / "bom.cfg", "\xef\xbb\xbf[Area.001]\r\nLocal=M\xc3\xbcnchen \xc5\x81\r\n");
  const auto values = [&dir](const char* name) {
    return platform::profileValues((dir.path() / name).string(), {"Area.001", "Area.002"}, "Local");
  };
  EXPECT_EQ(values("ansi.cfg"), (std::vector<std::string>{"M\xc3\xbcnchen", "\xe2\x82\xac \xc2\x81"}));
  EXPECT_EQ(values("utf8.cfg"), (std::vector<std::string>{"M\xc3\xbcnchen", ""}));
  // A Unicode file passes through the ANSI code page with its best fit, as on Windows.
  EXPECT_EQ(values("bom.cfg"), (std::vector<std::string>{"M\xc3\xbcnchen L", ""}));
}

// The prefix's drives stand for the CD and DVD drives, but for drive C
// (Windows itself) and the drive of the root (everything); a drive letter
// with nothing behind it is none.
TEST(PosixPlatform, OpticalDrivesAreThePrefixsOtherDrives) {
  TempDir dir;
  testsupport::PrefixBuilder prefix(dir.path() / "prefix", true);
  fs::create_directories(dir.path() / "cdrom");
  fs::create_directories(dir.path() / "dvd");
  prefix.drive('d', dir.path() / "cdrom").drive('e', dir.path() / "dvd").drive('f', dir.path() / "gone");
  const std::vector<std::string> drives =
      platform::opticalDrives(platform::posix::pathsThroughPrefix((dir.path() / "prefix").string()));
  const std::vector<std::string> expected = {fs::canonical(dir.path() / "cdrom").string() + "/",
                                             fs::canonical(dir.path() / "dvd").string() + "/"};
  // Mounted ISO 9660 and UDF file systems of the machine follow, if any.
  ASSERT_GE(drives.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(drives.begin(), drives.begin() + 2), expected);
  for (const std::string& drive : drives) EXPECT_NE(drive, "/");
}

// A folder's files and subfolders; a link to a folder is never a subfolder.
TEST(PosixPlatform, FolderContentsLeaveOutLinksToFolders) {
  TempDir dir;
  writeText(dir.path() / "b.bgl", "x");
  writeText(dir.path() / "A.cab", "x");
  fs::create_directories(dir.path() / "sub");
  fs::create_directory_symlink(dir.path(), dir.path() / "loop");
  fs::create_symlink(dir.path() / "b.bgl", dir.path() / "link.bgl");
  ASSERT_EQ(::mkfifo((dir.path() / "fifo.bgl").c_str(), 0600), 0);
  const platform::FolderContents contents = platform::listFolder(dir.path().string() + "/");
  EXPECT_EQ(contents.files, (std::vector<std::string>{"A.cab", "b.bgl", "link.bgl"}));
  EXPECT_EQ(contents.folders, (std::vector<std::string>{"sub"}));
}

TEST(PosixPlatform, FolderTextsOfTheInstallation) {
  using Kind = platform::FolderText::Kind;
  TempDir dir;
  const PrefixBuilder prefix(dir.path() / "pfx", true);
  const platform::SystemPaths paths = platform::posix::pathsThroughPrefix(prefix.folder().string());
  const std::string driveC = fs::canonical(prefix.driveC()).string();
  const auto check = [&paths](std::string_view text, Kind kind, const std::string& path) {
    const platform::FolderText folder = platform::folderText(paths, text);
    EXPECT_EQ(folder.kind, kind) << text;
    EXPECT_EQ(folder.path, path) << text;
  };
  check("Scenery\\World", Kind::Relative, "Scenery/World");
  check("\\Addon", Kind::Relative, "/Addon");
  check("/srv/addon", Kind::Relative, "/srv/addon");
  check("//server/share", Kind::Relative, "//server/share");
  check("\\\\server\\share", Kind::Unreachable, "\\\\server\\share");
  check("\\\\?\\C:\\Addon", Kind::Absolute, driveC + "/Addon");
  check("\\\\.\\Z:\\srv", Kind::Absolute, "/srv");
  check("\\\\.\\pipe\\x", Kind::Unreachable, "\\\\.\\pipe\\x");
  // ".." stops at the drive's root; below it, it stays to be read with the rest.
  check("C:\\..\\..\\Addon", Kind::Absolute, driveC + "/Addon");
  check("C:\\a\\..\\..\\b", Kind::Absolute, driveC + "/a/../b");
  check("C:\\Program Files\\FS2002", Kind::Absolute, driveC + "/Program Files/FS2002");
  check("c:/Addon\\\\x\\", Kind::Absolute, driveC + "/Addon/x/");
  check("C:\\", Kind::Absolute, driveC);
  check("Z:\\srv\\addon", Kind::Absolute, "/srv/addon");
  check("z:\\", Kind::Absolute, "/");
  check("D:\\Addon", Kind::Unreachable, "");
  check("C:Addon", Kind::Relative, "C:Addon");
  EXPECT_EQ(platform::folderText({}, "C:\\Addon").kind, Kind::Unreachable);
  EXPECT_EQ(platform::folderText({}, "Z:\\srv").path, "/srv");
}

TEST(PosixPlatform, PathsAreMeasuredInTheirWindowsForm) {
  TempDir dir;
  const PrefixBuilder prefix(dir.path() / "pfx", true);
  const platform::SystemPaths paths = platform::posix::pathsThroughPrefix(prefix.folder().string());
  const std::string driveC = fs::canonical(prefix.driveC()).string();
  EXPECT_EQ(platform::windowsPathLength(paths, driveC + "/FS2002/a.bgl"), std::string("C:\\FS2002\\a.bgl").size());
  EXPECT_EQ(platform::windowsPathLength(paths, driveC), std::string("C:\\").size());
  // A folder whose name merely begins like drive C's is on Z:.
  EXPECT_EQ(platform::windowsPathLength(paths, driveC + "x/a"), 2 + driveC.size() + 3);
  EXPECT_EQ(platform::windowsPathLength(paths, "/srv/M\xc3\xbcnchen"), std::string("Z:\\srv\\M\xfcnchen").size());
  EXPECT_EQ(platform::windowsPathLength({}, "/srv"), std::string("Z:\\srv").size());
  EXPECT_EQ(platform::windowsPathLength({}, "a/b"), 3U);
}

// The prefix a program at `ownFolder` finds with the given variables.
std::string prefixFor(const fs::path& ownFolder, const char* winePrefix, const fs::path& home) {
  return platform::wine::findPrefix(ownFolder.string(), winePrefix, home.c_str());
}

TEST(WinePrefix, ThePrefixHoldingTheProgramWinsOverTheVariables) {
  TempDir dir;
  const PrefixBuilder inside(dir.path() / "games", true);
  const PrefixBuilder named(dir.path() / "named", true);
  const PrefixBuilder home(dir.path() / "home" / ".wine", false);
  const fs::path tools = inside.driveC() / "FS2002" / "Tools";
  fs::create_directories(tools);
  const fs::path outside = dir.path() / "elsewhere" / "Tools";
  fs::create_directories(outside);
  EXPECT_EQ(prefixFor(tools, named.folder().c_str(), dir.path() / "home"), inside.folder().string());
  EXPECT_EQ(prefixFor(outside, named.folder().c_str(), dir.path() / "home"), named.folder().string());
  EXPECT_EQ(prefixFor(outside, "", dir.path() / "home"), home.folder().string());
  EXPECT_EQ(prefixFor(outside, nullptr, dir.path() / "home"), home.folder().string());
  // The chosen folder decides: no system.reg there, no prefix, not the next one.
  EXPECT_EQ(prefixFor(outside, (dir.path() / "elsewhere").c_str(), dir.path() / "home"), "");
  EXPECT_EQ(prefixFor(outside, nullptr, dir.path() / "nobody"), "");
  // A folder with system.reg but no dosdevices is no enclosing prefix.
  writeText(dir.path() / "elsewhere" / "system.reg", "WINE REGISTRY Version 2\n");
  EXPECT_EQ(prefixFor(outside, nullptr, dir.path() / "nobody"), "");
}

TEST(WinePrefix, RegistryStringsAsWineWritesThem) {
  const std::string registry =
      "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
      "[Software\\\\Trawlex\\\\Other] 1700000000\n\"EXE Path\"=\"wrong key\"\n\n"
      "[software\\\\TRAWLEX] 1700000000\n#time=1da\n"
      "\"Plain\"=\"C:\\\\FS 2002\\\\\"\n"
      "\"exe path\"=\"D:\\\\Games\\\\\\\"Q\\\"\\n\\t\\x00fc\\x20ac\"\n"
      "\"Expand\"=str(2):\"%ProgramFiles%\\\\FS\"\n"
      "\"Number\"=dword:00000001\n"
      "\"Bytes\"=hex:41,00\n"
      "\"Nul\"=\"a\\0b\"\n"
      "@=\"default\"\n\n[Software\\\\Trawlex\\\\Later] 1700000000\n\"Late\"=\"x\"\n";
  const auto read = [&registry](const char* name) {
    return platform::wine::registryString(registry, "Software\\Trawlex", name);
  };
  EXPECT_TRUE(platform::wine::isWin64Registry(registry));
  EXPECT_FALSE(platform::wine::isWin64Registry("WINE REGISTRY Version 2\n#arch=win32\n"));
  EXPECT_EQ(read("Plain"), "C:\\FS 2002\\");
  EXPECT_EQ(read("EXE PATH"), "D:\\Games\\\"Q\"\n\t\xc3\xbc\xe2\x82\xac");
  EXPECT_EQ(read("Expand"), "%ProgramFiles%\\FS");
  EXPECT_EQ(read("Number"), std::nullopt);
  EXPECT_EQ(read("Bytes"), std::nullopt);
  EXPECT_EQ(read("Missing"), std::nullopt);
  EXPECT_EQ(read("Late"), std::nullopt);  // a value of another key
  EXPECT_EQ(read("Nul"), std::string("a\0b", 3));
  EXPECT_EQ(platform::wine::registryString(registry, "Software\\Trawlex\\Later", "late"), "x");
}

TEST(WinePrefix, FsRegistryValueIsReadFromTheViewFs2002sSetupWrites) {
  TempDir dir;
  PrefixBuilder win64(dir.path() / "win64", true);
  win64.value(kFsRegistryKey, "EXE Path", "\"C:\\\\64-bit view\"");
  const platform::SystemPaths paths64 = platform::posix::pathsThroughPrefix(win64.folder().string());
  const char* key = "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0";
  EXPECT_EQ(platform::registryText(paths64, key, "EXE Path"), std::nullopt);
  win64.exePath("C:\\Games\\M\xc3\xbcnchen \xc5\x81\\");
  EXPECT_EQ(platform::registryText(paths64, key, "EXE Path"), "C:\\Games\\M\xc3\xbcnchen L\\");  // best fit

  PrefixBuilder win32(dir.path() / "win32", false);
  const platform::SystemPaths paths32 = platform::posix::pathsThroughPrefix(win32.folder().string());
  win32.exePath("C:\\" + std::string(256, 'x'));  // 259 characters
  EXPECT_EQ(platform::registryText(paths32, key, "EXE Path")->size(), 259U);
  win32.value(kFsRegistryKey, "Exe Path", "\"too long\"");  // the first of the name is read
  EXPECT_EQ(platform::registryText(paths32, key, "EXE Path")->size(), 259U);
  PrefixBuilder longer(dir.path() / "longer", false);
  longer.exePath("C:\\" + std::string(257, 'x'));
  EXPECT_EQ(platform::registryText(platform::posix::pathsThroughPrefix(longer.folder().string()), key, "EXE Path"), std::nullopt);
  EXPECT_EQ(platform::registryText({}, key, "EXE Path"), std::nullopt);
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

namespace {

// A ".." after a symbolic link: Windows takes it out as text, the kernel
// after following the link. Writes read the path as reads do, so that a
// restore replaces the very file the scan checked, never one elsewhere.
TEST(PosixPlatform, WritesReachTheFileThatReadsReachBeyondALink) {
  TempDir dir;
  writeText(dir.path() / "base" / "geopol12.bgl", "scanned");
  writeText(dir.path() / "real" / "deep" / "geopol12.bgl", "elsewhere");
  fs::create_directories(dir.path() / "real" / "deep" / "inner");
  fs::create_directory_symlink(dir.path() / "real" / "deep" / "inner", dir.path() / "base" / "link");
  const std::string built = (dir.path() / "base" / "link").string() + "/../geopol12.bgl";
  const platform::File read = platform::openForReading(built);
  std::vector<std::uint8_t> bytes(7);
  ASSERT_TRUE(platform::readExactly(read, 0, bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "scanned");

  const std::string text = "original";
  EXPECT_FALSE(platform::writeNewFile(built + ".new", {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}));
  EXPECT_TRUE(platform::setReadOnly(built, true));
  EXPECT_EQ(platform::isReadOnly(built), true);
  EXPECT_TRUE(platform::replaceFile(built + ".new", built).replaced);
  EXPECT_EQ(readText(dir.path() / "base" / "geopol12.bgl"), "original");
  EXPECT_EQ(readText(dir.path() / "real" / "deep" / "geopol12.bgl"), "elsewhere");
  EXPECT_EQ(platform::isReadOnly((dir.path() / "real" / "deep" / "geopol12.bgl").string()), false);
  EXPECT_TRUE(platform::removeFile(built));
  EXPECT_FALSE(fs::exists(dir.path() / "base" / "geopol12.bgl"));
  EXPECT_TRUE(fs::exists(dir.path() / "real" / "deep" / "geopol12.bgl"));
}

}  // namespace
