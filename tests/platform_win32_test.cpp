// Windows services as the run sees them under Windows and Wine: absolute
// folder texts, the directory search's order and filter, existence tests,
// the registry's 32-bit view, and the project's own INI reader against the
// system's profile reader.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/area_walk.h"
#include "platform/code_page_1252.h"
#include "platform/ini_text.h"
#include "platform/path_text.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "platform/windows_path.h"
#include "support/profile_texts.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// Standard output on a console: for the run the console shows the ANSI code
// page the program writes in, and its own OEM one comes back after; a pipe
// (as here unless a console is made) is left as it is. Wine gives the test a
// console of its own when asked; a real Windows console behaves the same.
TEST(Win32Platform, AConsoleShowsTheAnsiCodePageForTheRunOnly) {
  const HANDLE piped = GetStdHandle(STD_OUTPUT_HANDLE);
  {
    const platform::ConsoleCodePage codePage;
    EXPECT_FALSE(codePage.changed());
  }
  if (GetConsoleWindow() == nullptr && AllocConsole() == 0) GTEST_SKIP() << "no console can be made here";
  const HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(console, INVALID_HANDLE_VALUE);
  SetStdHandle(STD_OUTPUT_HANDLE, console);
  ASSERT_NE(SetConsoleOutputCP(437), 0);
  {
    const platform::ConsoleCodePage codePage;
    EXPECT_EQ(GetConsoleOutputCP(), GetACP());
    EXPECT_EQ(codePage.changed(), GetACP() != 437);
  }
  EXPECT_EQ(GetConsoleOutputCP(), 437U);
  SetStdHandle(STD_OUTPUT_HANDLE, piped);
  CloseHandle(console);
}

TEST(Win32Platform, AbsoluteFolderTexts) {
  using Kind = platform::FolderText::Kind;
  for (const char* path : {"C:\\Addon", "C:/Addon", "d:\\", "\\\\server\\share"}) {
    EXPECT_EQ(platform::folderText({}, path).kind, Kind::Absolute) << path;
    EXPECT_EQ(platform::folderText({}, path).path, path);
  }
  for (const char* path : {"Scenery\\World", "C:Addon", "\\Addon", "1:\\x", "", "C"}) {
    EXPECT_EQ(platform::folderText({}, path).kind, Kind::Relative) << path;
    EXPECT_EQ(platform::folderText({}, path).path, path);
  }
  EXPECT_EQ(platform::pathSeparator(), '\\');
}

// The full path the model gives for `text` in the current folder `current`
// (a drive path without a trailing separator).
std::string modelFullPath(std::string text, const std::string& current) {
  std::replace(text.begin(), text.end(), '/', '\\');
  const platform::WindowsPathStart start = platform::windowsPathStart(text);
  using Kind = platform::WindowsPathKind;
  std::size_t root = start.rootLength;
  if (start.kind == Kind::Relative) text = current + "\\" + text;
  if (start.kind == Kind::Rooted) text = current.substr(0, 2) + text;
  if (start.kind == Kind::DriveRelative) {
    const bool currentDrive = platform::sameAsciiFolded(text.substr(0, 1), current.substr(0, 1));
    text = (currentDrive ? current : text.substr(0, 2)) + "\\" + text.substr(2);
  }
  if (start.kind == Kind::Relative || start.kind == Kind::Rooted || start.kind == Kind::DriveRelative) root = 3;
  return platform::collapsedPath(text, root, '\\');
}

std::string systemFullPath(const std::string& text) {
  std::array<char, 1024> buffer{};
  const DWORD length = GetFullPathNameA(text.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  return std::string(buffer.data(), length < buffer.size() ? length : 0);
}

// Every start Win32 tells apart, followed by every kind of component and
// separator: the model's answer is the system's. Left out, where Wine is
// known to answer otherwise than Windows: texts beginning with '/' (Wine
// reads them as Linux paths) and "\\?\" texts (Windows leaves them as they are).
TEST(Win32Platform, FullPathsAreThoseOfTheSystem) {
  const std::string current = "C:\\windows\\system32";
  ASSERT_NE(SetCurrentDirectoryA(current.c_str()), 0);
  const std::vector<std::string> starts = {"C:\\", "d:\\", "\\", "", "C:", "D:", "\\\\server\\share\\",
                                           "\\\\server\\\\", "\\\\.\\Z:\\", "\\\\.\\"};
  const std::vector<std::string> components = {"a", ".", "..", "b.", "b..", "...", "b ", "b. ", " .", ". ", "c d", ".e"};
  const std::vector<std::string> separators = {"\\", "/", "\\\\"};
  std::size_t compared = 0;
  for (const std::string& start : starts) {
    for (const std::string& first : components) {
      for (const std::string& second : components) {
        for (const std::string& separator : separators) {
          for (const std::string& end : {std::string(), separator}) {
            const std::string text = start + first + separator + second + end + (end.empty() ? "" : "c");
            const std::string shorter = start + first + end;
            for (const std::string& path : {text, shorter}) {
              EXPECT_EQ(modelFullPath(path, current), systemFullPath(path)) << path;
              ++compared;
            }
          }
        }
      }
    }
  }
  EXPECT_GT(compared, 5000U);
}

// The code page tables the Linux build reads Windows texts with are what
// this system answers, for every byte and every UTF-16 unit.
TEST(Win32Platform, CodePageTablesAreTheSystems) {
  for (unsigned value = 0; value < 256; ++value) {
    char byte = static_cast<char>(value);
    CharUpperBuffA(&byte, 1);
    EXPECT_EQ(platform::cp1252::kUpper[value], static_cast<unsigned char>(byte)) << value;
  }
  std::size_t bestFits = 0;
  for (unsigned value = 0; value <= 0xFFFF; ++value) {
    if (value >= 0xD800 && value <= 0xDFFF) continue;
    const auto unit = static_cast<wchar_t>(value);
    char byte = 0;
    BOOL standIn = FALSE;
    ASSERT_EQ(WideCharToMultiByte(1252, 0, &unit, 1, &byte, 1, nullptr, &standIn), 1);
    EXPECT_EQ(platform::ansiFromUnit(static_cast<char16_t>(value)), standIn ? '?' : byte) << value;
    bestFits += !standIn && value > 0xFF ? 1 : 0;
  }
  EXPECT_GT(bestFits, 100U);  // far more than the 27 letters above U+00FF that the code page holds
}

TEST(Win32Platform, DirectorySearchOrderAndFilter) {
  TempDir dir;
  for (const char* name : {"b.bgl", "_a.bgl", "c.BgL", "Z.bgl", "x.bgl.bak", "notes.txt"}) {
    writeText(dir.path() / name, "x");
  }
  const auto listing = platform::findBglFiles({}, dir.path().string() + "\\");
  EXPECT_EQ(listing.folder, dir.path().string() + "\\");
  // The same order as the POSIX build's: letters folded to upper case.
  EXPECT_EQ(listing.names, (std::vector<std::string>{"b.bgl", "c.BgL", "Z.bgl", "_a.bgl"}));
  EXPECT_TRUE(platform::findBglFiles({}, dir.path().string() + "\\none\\").names.empty());
}

TEST(Win32Platform, ExistenceProfileAndFiles) {
  TempDir dir;
  writeText(dir.path() / "Scenery.cfg", "[Area.001]\r\nLocal=\"Scenery\\World\"\r\n");
  fs::create_directory(dir.path() / "folder.bgl");
  EXPECT_TRUE(platform::pathExists(dir.path().string()));
  EXPECT_TRUE(platform::pathExists((dir.path() / "SCENERY.CFG").string()));
  EXPECT_FALSE(platform::pathExists((dir.path() / "missing").string()));
  EXPECT_EQ(platform::profileValues((dir.path() / "Scenery.cfg").string(), {"area.001", "Area.002"}, "LOCAL"),
            (std::vector<std::string>{"Scenery\\World", ""}));
  EXPECT_EQ(platform::profileValues((dir.path() / "missing.cfg").string(), {"Area.001"}, "Local"), std::nullopt);
  EXPECT_EQ(platform::profileValues((dir.path() / "folder.bgl").string(), {"Area.001"}, "Local"), std::nullopt);
  // A folder and a missing file fail to open, but neither is a file that failed.
  for (const char* name : {"folder.bgl", "missing.bgl"}) {
    std::optional<platform::FileFailure> failure;
    EXPECT_FALSE(platform::openForReading((dir.path() / name).string(), &failure)) << name;
    EXPECT_FALSE(failure) << name;
  }
  EXPECT_FALSE(platform::findBglFiles({}, dir.path().string() + "\\none\\").failure);
  ASSERT_TRUE(platform::openForReading((dir.path() / "Scenery.cfg").string()));
  // A file held open without sharing is one that failed, in use by another program.
  std::optional<platform::FileFailure> failure;
  const HANDLE exclusive = CreateFileA((dir.path() / "Scenery.cfg").string().c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(platform::openForReading((dir.path() / "Scenery.cfg").string(), &failure));
  CloseHandle(exclusive);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->kind, platform::FileFailure::Kind::InUse);
  EXPECT_FALSE(failure->message.empty());
  EXPECT_EQ(platform::registryText({}, "SOFTWARE\\Trawlex\\NoSuchKey", "EXE Path"), std::nullopt);
  EXPECT_EQ(fs::path(platform::programPath()).filename(), "platform_win32_test.exe");
}

// Writes a text value into one view of HKEY_LOCAL_MACHINE\\`key`.
void setRegistryValue(const char* key, REGSAM view, DWORD type, const char* text) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(handle, "EXE Path", 0, type, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
  RegCloseKey(handle);
}

void setRegistryText(const char* key, REGSAM view, const char* text) { setRegistryValue(key, view, REG_SZ, text); }

// Only a text is a path: bytes that spell one, in a value of another type,
// are none, as the Wine prefix's reader on Linux also says.
TEST(Win32Platform, RegistryValueThatIsNoTextIsNone) {
  constexpr const char* kKey = "SOFTWARE\\Trawlex\\TypeTest";
  setRegistryValue(kKey, KEY_WOW64_32KEY, REG_BINARY, "C:\\FS2002");
  EXPECT_EQ(platform::registryText({}, kKey, "EXE Path"), std::nullopt);
  setRegistryValue(kKey, KEY_WOW64_32KEY, REG_EXPAND_SZ, "C:\\FS2002");
  EXPECT_EQ(platform::registryText({}, kKey, "EXE Path"), "C:\\FS2002");
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, 0);
}

TEST(Win32Platform, RegistryIsReadInThe32BitViewWhereFs2002sSetupWrites) {
  constexpr const char* kKey = "SOFTWARE\\Trawlex\\ViewTest";
  setRegistryText(kKey, KEY_WOW64_32KEY, "C:\\32-bit view");
  EXPECT_EQ(platform::registryText({}, kKey, "EXE Path"), "C:\\32-bit view");
  if (sizeof(void*) == 8) {
    // A value in the 64-bit view alone is not the one FS2002's setup wrote.
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, 0);
    setRegistryText(kKey, KEY_WOW64_64KEY, "C:\\64-bit view");
    EXPECT_EQ(platform::registryText({}, kKey, "EXE Path"), std::nullopt);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_64KEY, 0);
  }
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, 0);
}

// Bytes as C escapes, for a failure message.
std::string escaped(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto value = static_cast<unsigned char>(c);
    if (value >= 0x20 && value < 0x7F && c != '\\') {
      out.push_back(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", value);
      out += escape;
    }
  }
  return out;
}

// The system's profile reader and the project's own one read the same files
// (the forms real Scenery.cfg files take, and mutations of them) and give
// the same answer for every area.
TEST(ProfileReaderParity, OwnReaderAnswersAsTheSystemsForEveryArea) {
  ASSERT_EQ(GetACP(), 1252U) << "the texts are made for the Western ANSI code page";
  const std::vector<std::string> sections = driver::areaSectionNames();
  const std::vector<testsupport::ProfileText> texts = testsupport::profileTexts(300, 2002);
  TempDir dir;
  std::size_t answersCompared = 0, nonEmpty = 0;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    // A new name for each text: the system's reader keeps files it has read.
    const std::string path = (dir.path() / ("scenery" + std::to_string(i) + ".cfg")).string();
    writeText(path, texts[i].bytes);
    platform::ProfileScan own(sections, "Local");
    own.feed(texts[i].bytes);
    const std::vector<std::string> ownAnswers = own.finish();
    const std::vector<std::string> systemAnswers = platform::profileValues(path, sections, "Local").value();
    for (std::size_t area = 0; area < sections.size(); ++area) {
      ASSERT_EQ(escaped(ownAnswers[area]), escaped(systemAnswers[area]))
          << texts[i].description << ", " << sections[area] << ", file: " << escaped(texts[i].bytes);
      nonEmpty += systemAnswers[area].empty() ? 0 : 1;
    }
    answersCompared += sections.size();
  }
  EXPECT_EQ(answersCompared, 300U * 399U);
  EXPECT_GT(nonEmpty, 300U * 5);  // most texts have answers to compare, not just empty ones
}

}  // namespace
