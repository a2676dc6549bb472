// Whole runs of the Windows build: the registry entry FS2002's setup leaves,
// the default install path, absolute Local values in Windows form, files
// that another process holds open without sharing, a program path too long
// to read, a program in a drive's root, names the ANSI code page cannot
// spell, double-byte code pages, and files named as Windows paths. (A program path too long to read is
// tried from the Linux tree: CreateProcess cannot start such a program.)

#include <windows.h>

#include <cctype>

#include "e2e_fixture.h"

namespace {

using namespace e2e;

constexpr const char* kFsKey = "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0";
constexpr const char* kDefaultHost = "c:\\Program Files\\Microsoft Games\\FS2002";

// Sets FS2002's "EXE Path" registry value for the life of the object, in the
// 32-bit view, where FS2002's 32-bit setup writes it.
class RegistryValue {
 public:
  explicit RegistryValue(const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFsKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      throw std::runtime_error("cannot create the FS2002 registry key");
    }
    RegSetValueExA(key, "EXE Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
  }
  ~RegistryValue() { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kFsKey, KEY_WOW64_32KEY, 0); }
  RegistryValue(const RegistryValue&) = delete;
  RegistryValue& operator=(const RegistryValue&) = delete;
};

// An installation at the default install path for the life of the object.
class DefaultInstall {
 public:
  DefaultInstall() { fs::create_directories(kDefaultHost); }
  ~DefaultInstall() {
    std::error_code ignored;
    fs::remove_all(kDefaultHost, ignored);
  }
  DefaultInstall(const DefaultInstall&) = delete;
  DefaultInstall& operator=(const DefaultInstall&) = delete;
};

class WindowsRun : public EndToEnd {
 protected:
  // A bad file in the Tools folder's parent, found only when the run falls back to it.
  void badFileInParent() {
    install.config({{areaSection(1), "Parent"}}).file("Parent/scenery/parent.bgl", faultyFacilityFile());
  }
  std::string parentListing() const {
    return std::string(ex::kHeading) + ex::kFormatExplanation + record(host() + "\\Parent\\scenery\\parent.bgl", false) +
           "\r\n";
  }
  // A folder outside the installation holding one bad file in its scenery folder.
  fs::path otherHost() {
    const fs::path other = fs::canonical(temp.path()) / "Other FS";
    writeText(other / "Scenery.cfg", sceneryConfig({{areaSection(1), "World"}}));
    writeBytes(other / "World" / "scenery" / "other.bgl", faultyFacilityFile());
    return other;
  }
};

TEST_F(WindowsRun, RegistryPathLosesTrailingBackslashBlankBackslash) {
  const fs::path other = otherHost();
  badFileInParent();
  RegistryValue value(other.string() + "\\ \\");
  const ProgramRun result = run();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation +
                           record(other.string() + "\\World\\scenery\\other.bgl", false) + "\r\n");
}

// A folder left behind by an old install holds no Scenery.cfg: it is passed
// over, and the parent of the program's folder is scanned.
TEST_F(WindowsRun, RegistryPathWithoutASceneryConfigurationIsPassedOver) {
  badFileInParent();
  fs::create_directories(temp.path() / "Empty");
  RegistryValue value(fs::canonical(temp.path() / "Empty").string());
  const ProgramRun result = run();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(listing(), parentListing());
}

// Two backslashes trim to one: the root of the current drive, which a
// directory search never reports as an entry, so the parent folder follows.
TEST_F(WindowsRun, RegistryValueOfTwoBackslashesIsTestedAsTheDriveRoot) {
  badFileInParent();
  RegistryValue value("\\\\");
  run();
  EXPECT_EQ(listing(), parentListing());
}

TEST_F(WindowsRun, MissingRegistryValueFallsToTheDefaultPathThenToTheParent) {
  badFileInParent();
  {
    DefaultInstall defaultInstall;
    writeText(fs::path(kDefaultHost) / "Scenery.cfg", sceneryConfig({{areaSection(1), "Scenery\\World"}}));
    writeBytes(fs::path(kDefaultHost) / "Scenery" / "World" / "scenery" / "eurnwafd.bgl", faultyFacilityFile());
    run();
    EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation +
                             record(std::string(kDefaultHost) + "\\Scenery\\World\\scenery\\eurnwafd.bgl", true) +
                             "\r\n" + ex::kCureHint);
  }
  run();
  EXPECT_EQ(listing(), parentListing());
}

TEST_F(WindowsRun, RegistryValueLongerThanThePathLimitCountsAsMissing) {
  badFileInParent();
  DefaultInstall defaultInstall;  // taken only when the long value counts as missing
  writeText(fs::path(kDefaultHost) / "Scenery.cfg", sceneryConfig({{areaSection(1), "D"}}));
  writeBytes(fs::path(kDefaultHost) / "D" / "scenery" / "default.bgl", faultyFacilityFile());
  RegistryValue value("C:\\" + std::string(300, 'x'));
  run();
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation +
                           record(std::string(kDefaultHost) + "\\D\\scenery\\default.bgl", false) + "\r\n");
}

TEST_F(WindowsRun, AbsoluteLocalValuesInWindowsForm) {
  const std::string addon = fs::canonical(temp.path()).string() + "\\Addon";
  writeBytes(fs::path(addon) / "scenery" / "field.bgl", faultyFacilityFile());
  std::string forwardSlashes = addon;
  forwardSlashes[2] = '/';
  install.config({{areaSection(1), addon}, {areaSection(2), forwardSlashes}});
  run();
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation +
                           record(forwardSlashes + "\\scenery\\field.bgl", false) +
                           record(addon + "\\scenery\\field.bgl", false) + "\r\n");
}

// A file that another program holds open without sharing (FS2002 itself,
// say) is not checked: it is named, uncounted, and the run fails.
TEST_F(WindowsRun, FileHeldOpenWithoutSharingIsNamedAndFailsTheRun) {
  install.config({{areaSection(1), "A"}});
  for (int i = 0; i < 9; ++i) install.file("A/scenery/p" + std::to_string(i) + ".bgl", plainBglFile(300));
  install.file("A/scenery/locked.bgl", faultyFacilityFile());
  const std::string locked = (install.host() / "A" / "scenery" / "locked.bgl").string();
  const HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const ProgramRun result = runWithArguments({"--explain"});
  CloseHandle(holder);
  const std::string path = host() + "\\A\\scenery\\locked.bgl";
  EXPECT_EQ(result.output, std::string(ex::kBanner) + ex::kLocated + "\rAll Files: 9  Facility Files: 0" +
                               ex::kCompleted + ex::kVerdictClean + ex::kUnreadWarning + "1" + ex::kUnreadWarningEnd +
                               ex::kAreasHeading + "  Area.001  " +
                               host() + "\\A\\scenery\\  9 .bgl file(s), 0 facility file(s)\r\n" +
                               "\r\nNot checked, because they could not be read:\r\n  " + path +
                               "  in use by another program\r\n" + ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kNoFormatErrors + ex::kUnreadExplanation + path + "\r\n");
}

// A running FS2002 holds its scenery files open, sharing them only with
// readers: a restore reads and backs such a file up but cannot replace it, so
// it leaves it exactly as it was, with no temporary file, names it, and
// fails the run; the other file is restored.
TEST_F(WindowsRun, RestoreLeavesAFileHeldOpenAsItWas) {
  Bytes altered = withCrc32(soundFacilityFile(), 0x1C7B948D);
  altered[20] ^= 0x40;
  install.config({{areaSection(1), "A"}})
      .file("A/scenery/geopol12.bgl", altered)
      .file("A/scenery/eurnwafd.bgl", faultyFacilityFile());
  writeBytes(temp.path() / "CD" / "geopol12.bgl", withCrc32(soundFacilityFile(), 0x1C7B948D));
  writeBytes(temp.path() / "CD" / "eurnwafd.bgl", soundFacilityFile());
  const std::string held = (install.host() / "A" / "scenery" / "geopol12.bgl").string();
  const HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const ProgramRun result = runWithArguments({"--restore", (temp.path() / "CD").string()});
  CloseHandle(holder);
  const std::string scenery = host() + "\\A\\scenery\\";
  EXPECT_NE(result.output.find("  Restored: " + scenery + "eurnwafd.bgl\r\n  Not restored, left as it was: " + scenery +
                               "geopol12.bgl\r\n    it is in use by another program: close that program and try again\r\n"),
            std::string::npos)
      << result.output;
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(readText(install.host() / "A" / "scenery" / "geopol12.bgl"), std::string(altered.begin(), altered.end()));
  for (const auto& entry : fs::directory_iterator(install.host() / "A" / "scenery")) {
    EXPECT_FALSE(entry.path().string().ends_with(".trawlex-new")) << entry.path();
  }
  const Bytes sound = soundFacilityFile();
  EXPECT_EQ(readText(install.host() / "A" / "scenery" / "eurnwafd.bgl"), std::string(sound.begin(), sound.end()));
}

}  // namespace

namespace {

// Writes `bytes` to a file named by the UTF-16 name `name` in `folder`,
// whatever the ANSI code page can spell.
fs::path writeUnicodeNamed(const fs::path& folder, const std::wstring& name, const Bytes& bytes) {
  fs::create_directories(folder);
  const fs::path path = folder.wstring() + L"\\" + name;
  const HANDLE file = CreateFileW(path.wstring().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a file with a Unicode name");
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return path;
}

// The 8.3 short name of the one entry at `path`, lower-cased.
std::string lowerShortName(const fs::path& path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(path.wstring().c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  FindClose(search);
  std::string name;
  for (const wchar_t* c = found.cAlternateFileName; *c != 0; ++c) {
    name.push_back(static_cast<char>(*c >= L'A' && *c <= L'Z' ? *c - L'A' + L'a' : *c));
  }
  return name;
}

TEST_F(WindowsRun, NameTheAnsiCodePageCannotSpellIsOpenedByItsShortName) {
  ASSERT_EQ(GetACP(), 1252U);
  install.config({{areaSection(1), "A"}});
  const fs::path name = writeUnicodeNamed(install.host() / "A" / "scenery", L"\u0141\u00f3d\u017a.bgl", faultyFacilityFile());
  const std::string shortName = lowerShortName(name);
  ASSERT_FALSE(shortName.empty()) << "Wine gives every long name a short one";
  const ProgramRun result = run();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation +
                           record(host() + "\\A\\scenery\\" + shortName, false) + "\r\n");
}

// A program in the root of drive C, with C:\\SCENEDB beside it, for the life of the object.
class ProgramInDriveRoot {
 public:
  ProgramInDriveRoot() {
    fs::copy_file(TRAWLEX_PROGRAM, program(), fs::copy_options::overwrite_existing);
    fs::create_directory("C:\\SCENEDB");
  }
  ~ProgramInDriveRoot() {
    std::error_code ignored;
    for (const char* path : {"C:\\trawlex-root-test.exe", "C:\\SCENEDB", "C:\\FileList.txt"}) fs::remove(path, ignored);
  }
  ProgramInDriveRoot(const ProgramInDriveRoot&) = delete;
  ProgramInDriveRoot& operator=(const ProgramInDriveRoot&) = delete;
  static fs::path program() { return "C:\\trawlex-root-test.exe"; }
};

TEST_F(WindowsRun, ProgramInADriveRootLooksForTheHostFromThatRoot) {
  const ProgramInDriveRoot root;
  // Started from a folder on drive C: the parent fallback still starts from
  // C:\\, where SCENEDB is, not from the starting folder's parent.
  // The host found there holds no Scenery.cfg: the run says so, and so does its listing.
  const ProgramRun result = runProgram(ProgramInDriveRoot::program(), "C:\\users\\Public");
  const std::string error = ex::kCantReadConfig + std::string("C:\\\\..\\Scenery.cfg\r\n") + ex::kCantReadConfigAdvice;
  EXPECT_EQ(result.output, std::string(ex::kBanner) + ex::kLocated + error + ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(readText("C:\\FileList.txt"), ex::kListingNoScan + error);
}

// Explorer passes the files dropped on trawlex.exe as full Windows paths;
// users type them with forward slashes and any letter case too.
TEST_F(WindowsRun, FilesNamedAsWindowsPathsAreCheckedWhereTheyLead) {
  fs::remove(install.host() / "SCENEDB");
  const fs::path folder = install.host() / "Addon Scenery" / "My Field" / "scenery";
  writeBytes(folder / "GEOPOL07.BGL", withCrc32(soundFacilityFile(), 0x6C40A47E));
  writeBytes(folder / "brokenfield.bgl", faultyFacilityFile());
  const std::string dropped = fs::absolute(folder / "brokenfield.bgl").string();
  ASSERT_EQ(dropped.substr(1, 2), ":\\");
  std::string typed = fs::absolute(folder / "geopol07.bgl").string();
  typed[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(typed[0])));
  for (char& c : typed) c = c == '\\' ? '/' : c;
  const ProgramRun result = runWithArguments({dropped, typed});
  EXPECT_EQ(result.output, std::string(ex::kBanner) + dropped + "\r\n  Facility BGL file (Add-on file)\r\n" +
                               "  Format error: entry count not as announced, 3 entries counted, 4 announced " +
                               "(file offset 0x000000FC)\r\n" +
                               "  What to do: remove it, or reinstall the add-on that brought it.\r\n\r\n" + typed +
                               "\r\n  Facility BGL file (Stock file)\r\n  Checksum 6C40A47E, as expected\r\n" +
                               ex::kNoFormatErrorsFound + "\r\n" + ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_FALSE(fs::exists(install.tools() / "FileList.txt"));
}

// Runs only in a double-byte code page: the suite runs these once more with
// Wine in code page 932 (Japanese).
TEST_F(WindowsRun, DoubleByteNamesWhoseTrailBytesLookLikeCapitalsAreCheckedUnderTheirOwnName) {
  if (GetACP() != 932) GTEST_SKIP() << "needs code page 932, found " << GetACP();
  install.config({{areaSection(1), "A"}});
  // U+30A2 is 0x83 0x41 in code page 932: its trail byte is an 'A'.
  writeUnicodeNamed(install.host() / "A" / "scenery", L"\u30a2\u30a2.BGL", faultyFacilityFile());
  const ProgramRun result = run();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation +
                           record(host() + "\\A\\scenery\\\x83\x41\x83\x41.bgl", false) + "\r\n");
}

}  // namespace
