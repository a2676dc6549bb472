// Whole runs of the Windows build: the registry entry FS2002's setup leaves,
// the default install path, absolute Local values in Windows form, and files
// that another process holds open without sharing.

#include <windows.h>

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

TEST_F(WindowsRun, RegistryPathThatIsNoSimulatorFolderIsAcceptedAndNothingScanned) {
  badFileInParent();
  fs::create_directories(temp.path() / "Empty");
  RegistryValue value(fs::canonical(temp.path() / "Empty").string());
  const ProgramRun result = run();
  EXPECT_EQ(result.output, console("", ex::kVerdictClean));
  EXPECT_EQ(result.exitStatus, 0);
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
                             "\r\n");
  }
  run();
  EXPECT_EQ(listing(), parentListing());
}

TEST_F(WindowsRun, RegistryValueLongerThanThePathLimitCountsAsMissing) {
  badFileInParent();
  DefaultInstall defaultInstall;  // taken only when the long value counts as missing
  RegistryValue value("C:\\" + std::string(300, 'x'));
  const ProgramRun result = run();
  EXPECT_EQ(result.output, console("", ex::kVerdictClean));
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

TEST_F(WindowsRun, FileHeldOpenWithoutSharingIsSkippedUncounted) {
  install.config({{areaSection(1), "A"}});
  for (int i = 0; i < 9; ++i) install.file("A/scenery/p" + std::to_string(i) + ".bgl", plainBglFile(300));
  install.file("A/scenery/locked.bgl", faultyFacilityFile());
  const std::string locked = (install.host() / "A" / "scenery" / "locked.bgl").string();
  const HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const ProgramRun result = run();
  CloseHandle(holder);
  EXPECT_EQ(result.output, console("", ex::kVerdictClean));
  EXPECT_EQ(result.exitStatus, 0);
}

}  // namespace
