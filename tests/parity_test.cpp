// Parity: the same installations scanned by the Linux program and by the
// Windows program under Wine give the same console bytes, listing bytes and
// exit status once the Windows paths are written as Linux paths. Some sit in
// a temporary folder (Wine's drive Z:), some on drive C of the tree's Wine
// prefix, where the Linux program finds the prefix around itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <sstream>
#include <regex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_text.h"
#include "platform/text_encoding.h"
#include "support/bgl_builder.h"
#include "support/cabinet_builder.h"
#include "support/cabinet_layout.h"
#include "support/crc_forge.h"
#include "support/install_builder.h"
#include "support/lzx_builder.h"
#include "support/profile_texts.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

struct Outcome {
  std::string console;
  std::string listing;
  int exitStatus = -1;
};

// Runs `program` from the installation's Tools folder, after removing what an
// earlier run left there.
Outcome scan(InstallBuilder& install, const fs::path& workingFolder, const fs::path& program,
             const std::vector<std::string>& launcher, const std::vector<std::string>& environment,
             const std::vector<std::string>& arguments) {
  std::error_code ignored;
  fs::remove(install.tools() / "FileList.txt", ignored);
  const ProgramRun run =
      runProgram(install.installProgram(program), workingFolder, Input::Closed, launcher, environment, arguments);
  fs::remove(install.tools() / program.filename(), ignored);
  return {run.output, readText(install.tools() / "FileList.txt"), run.exitStatus};
}

const fs::path kPrefix = TRAWLEX_WINEPREFIX;

std::string driveC() { return fs::canonical(kPrefix / "drive_c").string(); }

// `text` of the Windows program as the Linux program writes it: ANSI as
// UTF-8, and every path on drive C: or Z: as the Linux path (a path ends at a
// record's label or a line end).
std::string asLinuxPaths(const std::string& ansiText) {
  std::string text = platform::utf8FromAnsi(ansiText);
  for (const auto& [drive, folder] :
       {std::pair<std::string, std::string>{"\\\\?\\Z:\\", "/"}, {"\\\\.\\Z:\\", "/"}, {"Z:\\", "/"},
        {"C:\\", driveC() + "/"}, {"c:\\", driveC() + "/"}}) {
    for (std::size_t at = text.find(drive); at != std::string::npos; at = text.find(drive, at)) {
      text.replace(at, drive.size(), folder);
      const std::size_t end = std::min(text.find("  (", at), text.find('\r', at));
      for (std::size_t i = at; i < end && i < text.size(); ++i) text[i] = text[i] == '\\' ? '/' : text[i];
      at += folder.size();
    }
  }
  return text;
}

// `text` with the last name of the path on each line (up to two blanks or
// the line's end) in lower case.
std::string withFileNamesLowered(std::string text) {
  std::size_t lineStart = 0;
  while (lineStart < text.size()) {
    const std::size_t lineEnd = std::min(text.find('\n', lineStart), text.size());
    const std::size_t slash = text.rfind('/', lineEnd);
    if (slash != std::string::npos && slash >= lineStart) {
      const std::size_t nameEnd = std::min(text.find("  ", slash), lineEnd);
      for (std::size_t i = slash; i < nameEnd; ++i) text[i] = platform::foldAscii(text[i]);
    }
    lineStart = lineEnd + 1;
  }
  return text;
}

// Where a case's installation sits: a temporary folder, or drive C of the prefix.
enum class Drive { Z, C };

std::string windowsPath(const fs::path& path, Drive drive) {
  std::string text = path.string();
  text = drive == Drive::C ? "C:" + text.substr(driveC().size()) : "Z:" + text;
  for (char& c : text) c = c == '/' ? '\\' : c;
  return text;
}

// One case: an installation that both programs scan.
class Scene {
 public:
  explicit Scene(Drive drive)
      : temp_(drive == Drive::C ? TempDir(driveC()) : TempDir()),
        install(temp_.path()),
        windowsHost(windowsPath(fs::canonical(install.host()), drive)) {}

  // The outcomes of the Linux program and of the Windows one, its texts
  // with Linux paths.
  std::pair<Outcome, Outcome> runBoth() {
    // The Linux program sees no Wine prefix but the one around it, if any.
    const std::vector<std::string> environment = {"WINEPREFIX=", "HOME=" + (temp_.path() / "home").string()};
    const Outcome linux = scan(install, temp_.path(), TRAWLEX_PROGRAM, {}, environment, linuxArguments);
    return {linux, runWindows()};
  }

  // The outcome of the Windows program alone, its texts with Linux paths.
  Outcome runWindows() {
    Outcome windows = scan(install, temp_.path(), TRAWLEX_WINDOWS_PROGRAM, {TRAWLEX_WINE_RUN}, {}, windowsArguments);
    windows.console = asLinuxPaths(windows.console);
    windows.listing = asLinuxPaths(windows.listing);
    return windows;
  }

  // Checks both programs agree, and gives the Linux program's outcome. The
  // Windows program lists file names lower-cased, the Linux one as on disk
  // (so that a listed path opens there); they are compared lower-cased.
  Outcome expectSameOutcome() {
    const auto [linux, windows] = runBoth();
    EXPECT_EQ(withFileNamesLowered(windows.console), withFileNamesLowered(linux.console));
    EXPECT_EQ(withFileNamesLowered(windows.listing), withFileNamesLowered(linux.listing));
    EXPECT_EQ(windows.exitStatus, linux.exitStatus);
    EXPECT_NE(linux.console.find("Trawlex for FS2002"), std::string::npos);
    return linux;
  }

 private:
  TempDir temp_;

 public:
  InstallBuilder install;
  const std::string windowsHost;  // the host folder as the Windows program names it
  // The command line of each program: the same words, paths in each one's form.
  std::vector<std::string> linuxArguments;
  std::vector<std::string> windowsArguments;
};

// The number of bad-file records in a listing.
std::size_t recordsIn(const std::string& listing) {
  std::size_t records = 0;
  for (std::size_t at = listing.find("  (Add-on file)"); at != std::string::npos;
       at = listing.find("  (Add-on file)", at + 1)) {
    ++records;
  }
  return records;
}

// Lays a case out and checks that both programs agree on it; gives the
// number of bad-file records in the Linux program's listing, so that a case
// can tell that both did not merely miss the same files.
std::size_t expectParity(const std::function<void(Scene&)>& layOut, Drive drive = Drive::Z) {
  Scene scene(drive);
  layOut(scene);
  return recordsIn(scene.expectSameOutcome().listing);
}

// Runs both programs where their texts cannot be compared (each shows some
// path in its own way) and checks that both end with `exitStatus`; gives
// both outcomes, for the verdicts to be compared.
std::pair<Outcome, Outcome> expectSameStatus(Scene& scene, int exitStatus) {
  auto outcomes = scene.runBoth();
  EXPECT_EQ(outcomes.first.exitStatus, exitStatus);
  EXPECT_EQ(outcomes.second.exitStatus, exitStatus);
  return outcomes;
}

TEST(Parity, NoHostFolder) {
  expectParity([](Scene& scene) { fs::remove(scene.install.host() / "SCENEDB"); });
}

TEST(Parity, CleanRun) {
  expectParity([](Scene& scene) {
    scene.install.config({{areaSection(1), "Scenery\\World"}})
        .file("Scenery/World/scenery/field.bgl", soundFacilityFile())
        .file("Scenery/World/scenery/geopol07.bgl", withCrc32(soundFacilityFile(), 0x6C40A47E));
  });
}

TEST(Parity, BothListsRunningCountAndRepeatedFolder) {
  expectParity([](Scene& scene) {
    InstallBuilder& install = scene.install;
    install.config({{areaSection(1), "Scenery\\World"}, {areaSection(7), "Addon Scenery\\Field"},
                    {areaSection(9), "Scenery\\World"}});
    for (int i = 0; i < 12; ++i) {
      install.file("Scenery/World/scenery/f" + std::to_string(i) + ".bgl", i % 4 ? plainBglFile(300) : soundFacilityFile());
    }
    install.file("Scenery/World/scenery/way001.bgl", faultyFacilityFile())
        .file("Scenery/World/scenery/geopol07.bgl", withCrc32(soundFacilityFile(), 0x1))
        .file("Addon Scenery/Field/scenery/broken.bgl", faultyFacilityFile())
        .file("Addon Scenery/Field/scenery/eurnwafd.bgl", faultyFacilityFile());
  });
}

TEST(Parity, ExplainTellsTheSameAreasAndReasons) {
  Scene scene(Drive::Z);
  Bytes altered = withCrc32(soundFacilityFile(), 0x6C40A47E);
  altered[30] ^= 1;
  // Besides the areas: a section the walk never reads, an area switched
  // off, a folder scanned twice and a repeated section, for the notes by line.
  writeText(scene.install.host() / "Scenery.cfg",
            sceneryConfig({{areaSection(1), "Scenery\\World"},
                           {areaSection(4), "Addon\\Gone"},
                           {areaSection(5), "Q:\\No Such Drive"},
                           {"Area.10", "Addon\\Ten"}}) +
                "[Area.007]\r\nLocal=Scenery\\World\r\nActive=FALSE\r\n[Area.001]\r\nLocal=Other\r\n");
  scene.install.file("Scenery/World/scenery/geopol07.bgl", altered)
      .file("Scenery/World/scenery/texture.bgl", plainBglFile(400))
      .file("Scenery/World/scenery/way004.bgl", Bytes{});
  const std::vector<Bytes> rules = filesBreakingEachRule();
  for (std::size_t i = 0; i < rules.size(); ++i) {
    scene.install.file("Scenery/World/scenery/rule" + std::to_string(i) + ".bgl", rules[i]);
  }
  scene.linuxArguments = scene.windowsArguments = {"--explain"};
  const Outcome linux = scene.expectSameOutcome();
  for (const char* note : {"] Local=Addon\\Ten  never read", "] Active=FALSE  scanned", "scanned before, for Area.001",
                           "]  repeated: only the one at line", "the header is not a facility header"}) {
    EXPECT_NE(linux.console.find(note), std::string::npos) << note;
  }
}

// An area World with three bad stock files: geopol12.bgl with a checksum that
// is not its reference value, eurnwafd.bgl (no reference value) with a broken
// section, and way004.bgl emptied.
InstallBuilder& withBadStockFiles(InstallBuilder& install) {
  Bytes changed = withCrc32(soundFacilityFile(), 0x1C7B948D);
  changed[20] ^= 0x40;
  return install.config({{areaSection(1), "World"}})
      .file("World/scenery/geopol12.bgl", changed)
      .file("World/scenery/eurnwafd.bgl", faultyFacilityFile())
      .file("World/scenery/way004.bgl", Bytes{});
}

// The search for originals: the same copies found, for the same reasons,
// and the same places named where none was found.
TEST(Parity, OriginalsAreFoundAlike) {
  Scene scene(Drive::Z);
  withBadStockFiles(scene.install)
      .file("CD/A/EURNWAFD.BGL", faultyFacilityFile())
      .file("CD/B/eurnwafd.bgl", soundFacilityFile())
      .file("CD/B/kept copy.bgl", withCrc32(soundFacilityFile(), 0x1C7B948D));
  const fs::path place = fs::canonical(scene.install.host()) / "CD";
  scene.linuxArguments = {"--originals", place.string()};
  scene.windowsArguments = {"--originals", windowsPath(place, Drive::Z)};
  const Outcome linux = scene.expectSameOutcome();
  EXPECT_NE(linux.console.find("  Verified original: " + place.string() + "/B/eurnwafd.bgl\r\n"), std::string::npos)
      << linux.console;
  EXPECT_NE(linux.console.find("  Verified original: " + place.string() + "/B/kept copy.bgl\r\n"), std::string::npos);
  EXPECT_NE(linux.console.find("  No verified original was found. Searched:\r\n"), std::string::npos);
}

// Originals inside cabinets made by a real tool, stored and compressed, found
// by both programs below decoys: the same name with another CRC-32, the
// reference CRC-32 in a file that is no facility file, the same name with a
// broken section; and a file that is no cabinet, under the name of one. Each
// program names the entry and its cabinet alike.
TEST(Parity, OriginalsAreFoundInCabinetsAlike) {
  Scene scene(Drive::Z);
  withBadStockFiles(scene.install);
  const fs::path cd = fs::canonical(scene.install.host()) / "CD";
  makeCabinet(cd / "Decoys" / "decoys.cab",
              {{"scenery/geopol12.bgl", withCrc32(soundFacilityFile(), 0x12345678)},
               {"scenery/world/forged.bgl", withCrc32(plainBglFile(300), 0x1C7B948D)},
               {"scenery/EURNWAFD.BGL", faultyFacilityFile()}},
              Compression::Stored);
  makeCabinet(cd / "FS2002.CAB",
              {{"readme.txt", Bytes{'h', 'i'}},
               {"scenery/world/scenery/geopol12.bgl", withCrc32(soundFacilityFile(), 0x1C7B948D)},
               {"scenery/europe/eurnwafd.bgl", soundFacilityFile()}},
              Compression::Mszip);
  writeBytes(cd / "Broken.cab", Bytes{'M', 'S', 'C', 'F', 0, 0, 0, 0});
  // A cabinet named as a place is searched as one.
  scene.linuxArguments = {"--originals", (cd / "Decoys" / "decoys.cab").string(), cd.string()};
  scene.windowsArguments = {"--originals", windowsPath(cd / "Decoys" / "decoys.cab", Drive::Z), windowsPath(cd, Drive::Z)};
  const Outcome linux = scene.expectSameOutcome();
  EXPECT_NE(linux.console.find("Searched:\r\n    " + fs::canonical(scene.install.host()).string() +
                               "/Tools/../World/scenery/\r\n    " + cd.string() + "/Decoys/decoys.cab\r\n    " +
                               cd.string() + "\r\n"),
            std::string::npos);
  EXPECT_NE(linux.console.find("  Verified original: scenery\\world\\scenery\\geopol12.bgl, in the cabinet " +
                               cd.string() + "/FS2002.CAB\r\n  Verified by its CRC-32, 1C7B948D"),
            std::string::npos)
      << linux.console;
  EXPECT_NE(linux.console.find("  Verified original: scenery\\europe\\eurnwafd.bgl, in the cabinet " + cd.string() +
                               "/FS2002.CAB\r\n  Verified by its name"),
            std::string::npos);
  EXPECT_NE(linux.console.find("\r\nCabinets that could not be read to their end:\r\n  " + cd.string() +
                               "/Broken.cab: its header is damaged or cut short"),
            std::string::npos);
}

// The command files beside trawlex.exe, run by Wine's cmd as a double-click
// or a drop runs them: with a dropped folder they find what --originals
// finds (the same console as the Linux program's), with a dropped drive the
// same originals there, and they restore and undo.
TEST(Parity, CommandFilesRunTheCureWithADroppedFolderOrDrive) {
  Scene scene(Drive::Z);
  withBadStockFiles(scene.install);
  const fs::path cd = fs::canonical(scene.install.host()) / "CD";
  writeBytes(cd / "Disc" / "eurnwafd.bgl", soundFacilityFile());
  scene.linuxArguments = {"--originals", cd.string()};
  const Outcome linux = scene.runBoth().first;
  // After the runs above, which take their programs away again.
  const fs::path tools = scene.install.tools();
  const fs::path package = fs::path(TRAWLEX_WINDOWS_PROGRAM).parent_path();
  for (const char* name : {"trawlex.exe", "Find originals.cmd", "Restore originals.cmd", "Undo last restore.cmd"}) {
    fs::copy_file(package / name, tools / name, fs::copy_options::overwrite_existing);
  }
  const auto runCommandFile = [&](const char* name, const std::vector<std::string>& dropped) {
    // "call" first: cmd /c drops the outer quotes of a line that begins with one.
    std::vector<std::string> arguments = {"/c", "call", windowsPath(fs::canonical(tools) / name, Drive::Z)};
    arguments.insert(arguments.end(), dropped.begin(), dropped.end());
    ProgramRun run = runProgram("cmd", scene.install.host(), Input::Closed, {TRAWLEX_WINE_RUN}, {}, arguments);
    run.output = asLinuxPaths(run.output);
    return run;
  };
  const ProgramRun found = runCommandFile("Find originals.cmd", {windowsPath(cd, Drive::Z)});
  EXPECT_EQ(withFileNamesLowered(found.output), withFileNamesLowered(linux.console));
  EXPECT_EQ(found.exitStatus, linux.exitStatus);

  // A drive dropped on the file: drive D: of the prefix, for this test only,
  // maps the CD folder (Wine's server learns of a drive when it starts).
  const fs::path driveD = kPrefix / "dosdevices" / "d:";
  const auto restartWine = [] { EXPECT_EQ(runProgram(TRAWLEX_WINE_RUN, "/", Input::Closed, {}, {}, {"--save-registry"}).exitStatus, 0); };
  fs::create_directory_symlink(cd, driveD);
  restartWine();
  const ProgramRun onDrive = runCommandFile("Find originals.cmd", {"D:\\"});
  fs::remove(driveD);
  restartWine();
  EXPECT_NE(onDrive.output.find("  Verified original: D:\\Disc\\eurnwafd.bgl\r\n"), std::string::npos) << onDrive.output;

  const fs::path eurnwafd = scene.install.host() / "World" / "scenery" / "eurnwafd.bgl";
  const ProgramRun restored = runCommandFile("Restore originals.cmd", {windowsPath(cd, Drive::Z)});
  EXPECT_NE(restored.output.find("\r\nRestore: 1 stock file(s) restored;"), std::string::npos) << restored.output;
  EXPECT_EQ(readText(eurnwafd), readText(cd / "Disc" / "eurnwafd.bgl"));
  const ProgramRun undone = runCommandFile("Undo last restore.cmd", {});
  EXPECT_NE(undone.output.find("\r\nUndo: 1 file(s) put back; 0 left as they were.\r\n"), std::string::npos)
      << undone.output;
  const Bytes faulty = faultyFacilityFile();
  EXPECT_EQ(readText(eurnwafd), std::string(faulty.begin(), faulty.end()));
}

// The lines a console shows of `output`: CR LF ends, and of a line that a CR
// rewrote (the running count), what is left on screen.
std::vector<std::string> shownLines(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < output.size()) {
    std::size_t end = output.find("\r\n", start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    const std::size_t rewritten = line.rfind('\r');
    lines.push_back(rewritten == std::string::npos ? line : line.substr(rewritten + 1));
    start = end + 2;
  }
  return lines;
}

// True when `shown` is `expected`, where a line "..." stands for any lines.
bool matchesTranscript(const std::vector<std::string>& expected, std::size_t e, const std::vector<std::string>& shown,
                       std::size_t s) {
  if (e == expected.size()) return s == shown.size();
  if (expected[e] == "...") {
    for (std::size_t skip = s; skip <= shown.size(); ++skip) {
      if (matchesTranscript(expected, e + 1, shown, skip)) return true;
    }
    return false;
  }
  return s < shown.size() && expected[e] == shown[s] && matchesTranscript(expected, e + 1, shown, s + 1);
}

// A restore's backup folder is named with its date and time.
std::string withStampsMasked(std::string text) {
  static const std::regex stamp("Restore ([0-9]+), [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}\\.[0-9]{2}\\.[0-9]{2}");
  return std::regex_replace(text, stamp, "Restore $1, DATE TIME");
}

// The README is for users: at most 150 lines, and each transcript in it
// (a block that begins with the prompt of the demo installation copied to
// FS2002's default folder, drive D: its CD) is the Windows program's own
// output there under Wine, run in the README's order; "..." stands for lines
// left out, and the backup folder's date and time are masked.
TEST(Readme, ItsTranscriptsAreTheProgramsOwnOutputAndItStaysShort) {
  const std::string readme = readText(TRAWLEX_README);
  EXPECT_LE(std::count(readme.begin(), readme.end(), '\n'), 150);
  const std::string prompt = "C:\\Program Files\\Microsoft Games\\FS2002\\Tools>trawlex";
  const fs::path games = kPrefix / "drive_c" / "Program Files" / "Microsoft Games";
  fs::remove_all(games / "FS2002");
  fs::remove_all(games / "CD");
  ASSERT_EQ(std::system(("'" + std::string(TRAWLEX_MAKE_DEMO) + "' '" + games.string() + "' '" +
                         TRAWLEX_WINDOWS_PROGRAM + "' >/dev/null").c_str()),
            0);
  const fs::path driveD = kPrefix / "dosdevices" / "d:";
  const auto restartWine = [] {
    EXPECT_EQ(runProgram(TRAWLEX_WINE_RUN, "/", Input::Closed, {}, {}, {"--save-registry"}).exitStatus, 0);
  };
  fs::create_directory_symlink(fs::canonical(games / "CD"), driveD);
  restartWine();
  std::size_t transcripts = 0;
  for (std::size_t at = readme.find("```\n" + prompt); at != std::string::npos;
       at = readme.find("```\n" + prompt, at + 1)) {
    const std::size_t end = readme.find("\n```", at + 4);
    std::vector<std::string> expected;
    std::istringstream block(readme.substr(at + 4, end - at - 4));
    for (std::string line; std::getline(block, line);) expected.push_back(withStampsMasked(line));
    std::istringstream words(expected.front().substr(prompt.size()));
    std::vector<std::string> arguments;
    for (std::string word; words >> word;) arguments.push_back(word);
    const ProgramRun run = runProgram(games / "FS2002" / "Tools" / "trawlex.exe", games / "FS2002" / "Tools",
                                      Input::Closed, {TRAWLEX_WINE_RUN}, {}, arguments);
    const std::vector<std::string> shown = shownLines(withStampsMasked(platform::utf8FromAnsi(run.output)));
    EXPECT_TRUE(matchesTranscript(expected, 1, shown, 0)) << expected.front() << "\n" << run.output;
    ++transcripts;
  }
  EXPECT_EQ(transcripts, 4U);  // the scan, the restore, the undo, a file
  fs::remove(driveD);
  restartWine();
  fs::remove_all(games / "FS2002");
  fs::remove_all(games / "CD");
}

// What a plain run tells a user, alike on both builds: the way to the cure
// after the verdict (console and listing) when a stock file is bad; an area
// whose folder is missing, or on a drive not mapped, named as not checked,
// failing the run; an option mistyped refused in one line; and in the file
// form a folder's .bgl files checked and a word naming nothing named.
TEST(Parity, TheCureIsToldAndNothingUncheckedPassesForAnAllClear) {
  Scene scene(Drive::Z);
  withBadStockFiles(scene.install);
  scene.install.config({{areaSection(1), "World"}, {areaSection(2), "Gone Addon"}, {areaSection(3), "Q:\\Elsewhere"}});
  const Outcome linux = scene.expectSameOutcome();
  EXPECT_EQ(linux.exitStatus, 2);
  EXPECT_NE(linux.console.find("WARNING: 2 BGL file(s)"), std::string::npos) << linux.console;
  EXPECT_NE(linux.console.find("Trawlex can put back FS2002's own copies"), std::string::npos);
  EXPECT_NE(linux.listing.find("/Gone Addon/  (the folder does not exist)\r\nQ:\\Elsewhere\\  (the folder does not exist)\r\n"
                               "\r\nTrawlex can put back"),
            std::string::npos)
      << linux.listing;

  scene.linuxArguments = scene.windowsArguments = {"--restor"};
  const auto [refusedLinux, refusedWindows] = scene.runBoth();
  EXPECT_EQ(refusedWindows.console, refusedLinux.console);
  EXPECT_EQ(refusedLinux.console, "Unknown option --restor: trawlex --help lists the options.\r\n");
  EXPECT_EQ(refusedWindows.exitStatus, 2);

  const fs::path dropped = fs::canonical(scene.install.host()) / "World";
  const fs::path nothing = fs::canonical(scene.install.host()) / "nothing.bgl";
  scene.linuxArguments = {dropped.string(), nothing.string()};
  scene.windowsArguments = {windowsPath(dropped, Drive::Z), windowsPath(nothing, Drive::Z)};
  const auto [filesLinux, filesWindows] = scene.runBoth();
  EXPECT_EQ(withFileNamesLowered(asLinuxPaths(filesWindows.console)), withFileNamesLowered(filesLinux.console));
  EXPECT_NE(filesLinux.console.find("/World/scenery/geopol12.bgl\r\n  Facility BGL file (Stock file)"), std::string::npos)
      << filesLinux.console;
  EXPECT_NE(filesLinux.console.find("nothing.bgl\r\n  ERROR: No such file\r\n"), std::string::npos);
  EXPECT_EQ(filesWindows.exitStatus, 2);
  EXPECT_EQ(filesLinux.exitStatus, 2);
}

// Every byte of the files under `folder`, by path.
std::map<std::string, std::string> contentsUnder(const fs::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) contents[entry.path().string()] = readText(entry.path());
  }
  return contents;
}

// Each program restores the same files from the same cabinet and folder: the
// same paragraphs, the same bytes in place, the same verdict after; the
// backup folders differ only in their date and time.
TEST(Parity, RestoreFromACabinetPutsTheSameBytesInPlace) {
  const auto layOut = [](Scene& scene) {
    withBadStockFiles(scene.install);
    const fs::path cd = fs::canonical(scene.install.host()) / "CD";
    makeCabinet(cd / "FS2002.CAB",
                {{"scenery/world/scenery/geopol12.bgl", withCrc32(soundFacilityFile(), 0x1C7B948D)}},
                Compression::Mszip);
    writeBytes(cd / "Disc" / "eurnwafd.bgl", soundFacilityFile());
    scene.linuxArguments = {"--restore", cd.string()};
    scene.windowsArguments = {"--restore", windowsPath(cd, Drive::Z)};
  };
  Scene linuxScene(Drive::Z);
  Scene windowsScene(Drive::Z);
  layOut(linuxScene);
  layOut(windowsScene);
  const Outcome linux = linuxScene.runBoth().first;
  const Outcome windows = windowsScene.runWindows();
  // Each tree's own folder, and the backup folder's date and time, masked.
  const auto masked = [](std::string text, const Scene& scene) {
    const std::string root = fs::canonical(scene.install.host()).parent_path().string();
    for (std::size_t at = text.find(root); at != std::string::npos; at = text.find(root, at)) text.replace(at, root.size(), "ROOT");
    const std::size_t stamp = text.find("Trawlex backups/");
    if (stamp != std::string::npos) text.replace(stamp + 16, text.find('\r', stamp) - stamp - 16, "FOLDER");
    return text;
  };
  EXPECT_EQ(withFileNamesLowered(masked(windows.console, windowsScene)), withFileNamesLowered(masked(linux.console, linuxScene)));
  EXPECT_EQ(windows.exitStatus, linux.exitStatus);
  EXPECT_EQ(linux.exitStatus, 1) << linux.console;  // way004.bgl has no original
  EXPECT_NE(linux.console.find("Restored: "), std::string::npos);
  for (const char* name : {"geopol12.bgl", "eurnwafd.bgl", "way004.bgl"}) {
    const fs::path relative = fs::path("World") / "scenery" / name;
    EXPECT_EQ(readText(windowsScene.install.host() / relative), readText(linuxScene.install.host() / relative)) << name;
  }
  EXPECT_EQ(readText(linuxScene.install.host() / "World" / "scenery" / "eurnwafd.bgl"),
            readText(fs::canonical(linuxScene.install.host()) / "CD" / "Disc" / "eurnwafd.bgl"));
}

// Either build undoes the other's restore, on the same installation: the
// list names each file relative to the host folder, in UTF-8, which both
// read; in a folder of ASCII names and in one of accented names.
TEST(Parity, EitherBuildUndoesTheOthersRestore) {
  const Bytes good = withCrc32(soundFacilityFile(), 0x1C7B948D);
  Bytes changed = good;
  changed[20] ^= 0x40;
  const std::pair<const char*, const char*> areas[] = {{"World", "World"},
                                                       {"M\xfcnchen \xc9t\xe9", "M\xc3\xbcnchen \xc3\x89t\xc3\xa9"}};
  for (const bool linuxRestores : {true, false}) {
    for (const auto& [local, onDisk] : areas) {
      SCOPED_TRACE(std::string(linuxRestores ? "Linux restores, " : "Windows restores, ") + onDisk);
      Scene scene(Drive::Z);
      scene.install.config({{areaSection(1), local}}).file(std::string(onDisk) + "/scenery/geopol12.bgl", changed);
      const fs::path cd = fs::canonical(scene.install.host()) / "CD";
      writeBytes(cd / "geopol12.bgl", good);
      const fs::path target = scene.install.host() / onDisk / "scenery" / "geopol12.bgl";
      const fs::path work = scene.install.host().parent_path();
      const std::vector<std::string> environment = {"WINEPREFIX=", "HOME=" + (work / "home").string()};
      const auto linuxRun = [&](const std::vector<std::string>& arguments) {
        return scan(scene.install, work, TRAWLEX_PROGRAM, {}, environment, arguments);
      };
      const auto windowsRun = [&](const std::vector<std::string>& arguments) {
        return scan(scene.install, work, TRAWLEX_WINDOWS_PROGRAM, {TRAWLEX_WINE_RUN}, {}, arguments);
      };
      const Outcome restored = linuxRestores ? linuxRun({"--restore", cd.string()})
                                             : windowsRun({"--restore", windowsPath(cd, Drive::Z)});
      EXPECT_EQ(restored.exitStatus, 0) << restored.console;
      EXPECT_EQ(readText(target), std::string(good.begin(), good.end()));
      const Outcome undone = linuxRestores ? windowsRun({"--undo"}) : linuxRun({"--undo"});
      EXPECT_EQ(undone.exitStatus, 0) << undone.console;
      EXPECT_NE(undone.console.find("  Put back: "), std::string::npos) << undone.console;
      EXPECT_NE(undone.console.find("The restore is undone"), std::string::npos) << undone.console;
      EXPECT_EQ(readText(target), std::string(changed.begin(), changed.end()));
    }
  }
}

// True while another process holds `path` open: the kernel then refuses a write lease.
bool heldOpen(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::fcntl(fd, F_SETLEASE, F_WRLCK) != 0;
  if (!held) ::fcntl(fd, F_SETLEASE, F_UNLCK);
  ::close(fd);
  return held;
}

// Waits up to ten seconds for `path` to be held open (`held`) or let go.
bool waitUntil(const fs::path& path, bool held) {
  for (int tries = 0; tries < 100; ++tries) {
    if (heldOpen(path) == held) return true;
    ::usleep(100000);
  }
  return false;
}

// A file that a running Windows program holds open (cmd reading it as its
// input, under Wine) is replaced by neither build: both name it in use and
// leave its bytes.
TEST(Parity, AFileHeldOpenByAWineProgramIsLeftByBothBuilds) {
  for (const bool linux : {true, false}) {
    SCOPED_TRACE(linux ? "Linux build" : "Windows build");
    Scene scene(Drive::Z);
    Bytes changed = withCrc32(soundFacilityFile(), 0x1C7B948D);
    changed[20] ^= 0x40;
    scene.install.config({{areaSection(1), "World"}}).file("World/scenery/geopol12.bgl", changed);
    const fs::path cd = fs::canonical(scene.install.host()) / "CD";
    writeBytes(cd / "geopol12.bgl", withCrc32(soundFacilityFile(), 0x1C7B948D));
    const fs::path target = fs::canonical(scene.install.host()) / "World" / "scenery" / "geopol12.bgl";
    const std::string holder = std::string(TRAWLEX_WINE_RUN) + " cmd /c \"ping -n 5 127.0.0.1 > NUL < " +
                               windowsPath(target, Drive::Z) + "\" > /dev/null 2>&1 &";
    ASSERT_EQ(std::system(holder.c_str()), 0);
    ASSERT_TRUE(waitUntil(target, true));
    const fs::path work = scene.install.host().parent_path();
    const Outcome result =
        linux ? scan(scene.install, work, TRAWLEX_PROGRAM, {}, {"WINEPREFIX=", "HOME=" + (work / "home").string()},
                     {"--restore", cd.string()})
              : scan(scene.install, work, TRAWLEX_WINDOWS_PROGRAM, {TRAWLEX_WINE_RUN}, {},
                     {"--restore", windowsPath(cd, Drive::Z)});
    EXPECT_NE(result.console.find("    it is in use by another program: close that program and try again\r\n"),
              std::string::npos)
        << result.console;
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(readText(target), std::string(changed.begin(), changed.end()));
    EXPECT_TRUE(waitUntil(target, false));
  }
}

// A cabinet cut at every length, and one with each byte flipped, harm neither
// program: both end, with the scan's status; a cut cabinet is named alike by
// both (not a cabinet before its signature is whole, damaged after); and
// nothing is written but the listing.
TEST(Parity, CutAndFlippedCabinetsAreNamedAndNothingIsWritten) {
  Scene scene(Drive::Z);
  scene.install.config({{areaSection(1), "World"}}).file("World/scenery/geopol12.bgl", faultyFacilityFile());
  const fs::path work = fs::canonical(scene.install.host());
  // Only .bgl entries, none of them the original: every cabinet is read to its end or its damage.
  makeCabinet(work / "whole.cab",
              {{"a/geopol12.bgl", withCrc32(soundFacilityFile(), 0x12345678)}, {"b/other.bgl", plainBglFile(200)}},
              Compression::Mszip);
  const Bytes whole = [&] {
    const std::string text = readText(work / "whole.cab");
    return Bytes(text.begin(), text.end());
  }();
  fs::remove(work / "whole.cab");
  for (std::size_t length = 0; length < whole.size(); ++length) {
    writeBytes(work / "Cut" / ("c" + std::to_string(10000 + length) + ".cab"),
               Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
    Bytes flipped = whole;
    flipped[length] ^= 0xFF;
    writeBytes(work / "Flipped" / ("f" + std::to_string(10000 + length) + ".cab"), flipped);
  }
  const auto before = contentsUnder(work);

  // Each program reads the cabinet's directory itself: every cut cabinet and
  // every flipped one gets the same paragraph from both.
  scene.linuxArguments = {"--originals", (work / "Cut").string()};
  scene.windowsArguments = {"--originals", windowsPath(work / "Cut", Drive::Z)};
  const Outcome cut = scene.expectSameOutcome();
  EXPECT_EQ(cut.exitStatus, 1);
  std::size_t named = 0;
  for (std::size_t at = cut.console.find(".cab: "); at != std::string::npos; at = cut.console.find(".cab: ", at + 1)) {
    ++named;
  }
  EXPECT_EQ(named, whole.size());  // no cut leaves a cabinet that reads in full
  std::size_t notCabinets = 0;
  for (std::size_t at = cut.console.find(".cab: it is not a cabinet file"); at != std::string::npos;
       at = cut.console.find(".cab: it is not a cabinet file", at + 1)) {
    ++notCabinets;
  }
  EXPECT_EQ(notCabinets, 4U);

  scene.linuxArguments = {"--originals", (work / "Flipped").string()};
  scene.windowsArguments = {"--originals", windowsPath(work / "Flipped", Drive::Z)};
  const Outcome flipped = scene.expectSameOutcome();
  EXPECT_EQ(flipped.exitStatus, 1);
  EXPECT_TRUE(flipped.console.ends_with("Press ENTER key to finish...")) << flipped.console.substr(0, 2000);
  // The first four bytes are the signature.
  EXPECT_NE(flipped.console.find("/f10003.cab: it is not a cabinet file"), std::string::npos);
  fs::remove(scene.install.tools() / "FileList.txt");
  EXPECT_EQ(contentsUnder(work), before);
}

// A cabinet set as a CD holds it, MSZIP cut inside a block, the original
// across the cut and the second part's name in another letter case; an LZX
// cabinet (window 2^21, E8 translation, verbatim and uncompressed blocks)
// with another original across a frame boundary; beside them the real
// cabinets of other tools (LZX, Quantum, a set of five, known-bad ones) and
// one laid out with entries that cannot be searched: both programs give the
// same paragraphs and write nothing, and both restore the two originals,
// byte for byte.
TEST(Parity, SetsAndDamagedCabinetsGetTheSameParagraphsAndTheSameRestore) {
  const Bytes geopol = withCrc32(soundFacilityFile(), 0x1C7B948D);
  const Bytes eurnwafd = soundFacilityFile();
  const auto layOut = [&](Scene& scene) {
    withBadStockFiles(scene.install);
    const fs::path cd = fs::canonical(scene.install.host()) / "CD";
    makeCabinet(cd / "whole.cab", {{"scenery/before.bgl", plainBglFile(30000)}, {"scenery/geopol12.bgl", geopol}},
                Compression::Mszip);
    const std::string text = readText(cd / "whole.cab");
    fs::remove(cd / "whole.cab");
    const LaidCabinet whole = readLaidCabinet(Bytes(text.begin(), text.end()));
    const auto [first, second] = splitIntoSet(whole, whole.folders[0].blocks.size() - 1, 50, "Data1.cab", "data2.cab");
    writeBytes(cd / "Set" / "DATA2.CAB", cabinetBytes(second));
    writeBytes(cd / "Set" / "Data1.cab", cabinetBytes(first));
    LaidCabinet laid;
    laid.folders = {storedFolder(plainBglFile(70000))};
    laid.folders[0].blocks[1].wrongChecksum = true;
    laid.files = {{"huge.bgl", 0x80000000U, 0, 0}, {"lost.bgl", 10, 0, 3}, {"late.bgl", 100, 40000, 0}};
    writeBytes(cd / "Laid" / "laid.cab", cabinetBytes(laid));
    Bytes lzxData = plainBglFile(40000);
    lzxData.insert(lzxData.end(), eurnwafd.begin(), eurnwafd.end());
    LaidCabinet lzx;
    lzx.folders = {lzxFolder(lzxData, {21, true, 12000000, {LzxBlock::Verbatim, LzxBlock::Uncompressed}})};
    lzx.files = {{"scenery\\padding.bgl", 40000, 0, 0},
                 {"scenery\\eurnwafd.bgl", static_cast<std::uint32_t>(eurnwafd.size()), 40000, 0}};
    writeBytes(cd / "Lzx" / "FS2002.CAB", cabinetBytes(lzx));
    const fs::path real = TRAWLEX_REAL_CABINETS;
    if (fs::is_directory(real)) {
      for (const auto& file : fs::directory_iterator(real)) {
        if (file.path().extension() == ".cab") copyWithBglNames(file.path(), cd / "Real" / file.path().filename());
      }
    }
  };
  Scene scene(Drive::Z);
  layOut(scene);
  const fs::path cd = fs::canonical(scene.install.host()) / "CD";
  const auto before = contentsUnder(cd);
  scene.linuxArguments = {"--originals", cd.string()};
  scene.windowsArguments = {"--originals", windowsPath(cd, Drive::Z)};
  const Outcome found = scene.expectSameOutcome();
  EXPECT_NE(found.console.find("  Verified original: scenery\\geopol12.bgl, in the cabinet " + cd.string() +
                               "/Set/Data1.cab\r\n"),
            std::string::npos)
      << found.console;
  EXPECT_NE(found.console.find("  Verified original: scenery\\eurnwafd.bgl, in the cabinet " + cd.string() +
                               "/Lzx/FS2002.CAB\r\n"),
            std::string::npos);
  EXPECT_NE(found.console.find("/Laid/laid.cab: nothing in this cabinet could be searched\r\n"), std::string::npos) << found.console;
  EXPECT_NE(found.console.find("    huge.bgl: it claims more than 64 MiB"), std::string::npos);
  EXPECT_NE(found.console.find("    late.bgl: a block of its data fails its checksum"), std::string::npos);
  fs::remove(scene.install.tools() / "FileList.txt");
  EXPECT_EQ(contentsUnder(cd), before);

  Scene linuxScene(Drive::Z);
  Scene windowsScene(Drive::Z);
  for (Scene* each : {&linuxScene, &windowsScene}) {
    layOut(*each);
    const fs::path place = fs::canonical(each->install.host()) / "CD";
    each->linuxArguments = {"--restore", place.string()};
    each->windowsArguments = {"--restore", windowsPath(place, Drive::Z)};
  }
  const Outcome linux = linuxScene.runBoth().first;
  const Outcome windows = windowsScene.runWindows();
  EXPECT_EQ(windows.exitStatus, linux.exitStatus);
  for (const auto& [name, bytes] : {std::pair{"geopol12.bgl", geopol}, std::pair{"eurnwafd.bgl", eurnwafd}}) {
    const fs::path restored = fs::path("World") / "scenery" / name;
    EXPECT_EQ(readText(linuxScene.install.host() / restored), std::string(bytes.begin(), bytes.end())) << linux.console;
    EXPECT_EQ(readText(windowsScene.install.host() / restored), std::string(bytes.begin(), bytes.end()))
        << windows.console;
  }
}

TEST(Parity, NamedFilesGetTheSameParagraphs) {
  expectParity([](Scene& scene) {
    scene.install.file("Dropped/geopol07.bgl", withCrc32(soundFacilityFile(), 0x6C40A47E))
        .file("Dropped/texture.bgl", plainBglFile(400));
    const std::vector<Bytes> rules = filesBreakingEachRule();
    std::vector<std::string> names = {"geopol07.bgl", "texture.bgl", "missing.bgl"};
    for (std::size_t i = 0; i < rules.size(); ++i) {
      names.push_back("rule" + std::to_string(i) + ".bgl");
      scene.install.file("Dropped/" + names.back(), rules[i]);
    }
    for (const std::string& name : names) {
      const fs::path path = fs::canonical(scene.install.host()) / "Dropped" / name;
      scene.linuxArguments.push_back(path.string());
      scene.windowsArguments.push_back(windowsPath(path, Drive::Z));
    }
  });
}

TEST(Parity, BlockedListing) {
  expectParity([](Scene& scene) {
    scene.install.config({{areaSection(1), "A"}}).file("A/scenery/bad.bgl", faultyFacilityFile());
    fs::create_directories(scene.install.tools() / "FileList.txt");
  });
}

// Installers write absolute paths into Scenery.cfg.
TEST(Parity, AbsoluteLocalValuesOnDriveC) {
  const std::size_t records = expectParity(
      [](Scene& scene) {
        scene.install
            .config({{areaSection(1), scene.windowsHost + "\\Addon Scenery\\XYZ"},
                     {areaSection(2), "Addon Scenery\\XYZ"},
                     {areaSection(3), "Q:\\No Such Drive"}})
            .file("Addon Scenery/XYZ/scenery/xyz.bgl", faultyFacilityFile());
      },
      Drive::C);
  EXPECT_EQ(records, 2U);
}

TEST(Parity, AnsiFolderNameOfAUtf8Disk) {
  EXPECT_EQ(expectParity([](Scene& scene) {
              scene.install.config({{areaSection(1), "Addon Scenery\\M\xfcnchen"}})
                  .file("Addon Scenery/M\xc3\xbcnchen/scenery/muc.bgl", faultyFacilityFile());
            }),
            1U);
}

TEST(Parity, SceneryCfgInEveryStorageFormAndLineEnd) {
  const std::string ansi = sceneryConfig({{areaSection(1), "One"}, {areaSection(2), "Two \x1a"}, {areaSection(3), "M\xfcnchen"}});
  for (const TextForm form : {TextForm::Ansi, TextForm::Utf8Bom, TextForm::Utf16Le, TextForm::Utf16Be}) {
    for (const char* lineEnd : {"\r\n", "\r\r\n", "\r", "\n"}) {
      const std::size_t records = expectParity([&](Scene& scene) {
        writeText(scene.install.host() / "Scenery.cfg", storedAs(withLineEnds(ansi, lineEnd), form));
        scene.install.file("One/scenery/one.bgl", faultyFacilityFile())
            .file("Two/scenery/two.bgl", faultyFacilityFile())
            .file("M\xc3\xbcnchen/scenery/three.bgl", faultyFacilityFile());
      });
      EXPECT_EQ(records, 3U) << static_cast<int>(form) << " " << lineEnd;
    }
  }
}

// Ctrl-Z inside a value stays (Windows allows no such folder name, so none is made).
TEST(Parity, CtrlZAndNulInsideValues) {
  using namespace std::string_literals;
  const std::size_t records = expectParity([](Scene& scene) {
    writeText(scene.install.host() / "Scenery.cfg",
              "[Area.001]\r\nLocal=One\0Two\r\n[Area.002]\r\nLocal=Two\x1a\x1a\r\n[Area.003]\r\nLocal=Th\x1aree\r\n\x1a"s);
    scene.install.file("One/scenery/one.bgl", faultyFacilityFile())
        .file("Two/scenery/two.bgl", faultyFacilityFile())
        .file("Three/scenery/three.bgl", faultyFacilityFile());
  });
  EXPECT_EQ(records, 2U);
}

TEST(Parity, FilesSwitchedOffByRenaming) {
  const std::size_t records = expectParity([](Scene& scene) {
    scene.install.config({{areaSection(1), "A"}});
    for (const char* name : {"apt.bgl_off", "old.bglold", "x.bglx", "y.bgl_", "LongName.Bgl1", "x.bgl.bak", "z.bg"}) {
      scene.install.file(std::string("A/scenery/") + name, faultyFacilityFile());
    }
  });
  EXPECT_EQ(records, 5U);
}

TEST(Parity, LeadingBackslashStaysInsideTheHostFolder) {
  EXPECT_EQ(expectParity([](Scene& scene) {
              scene.install.config({{areaSection(1), "\\Addon"}}).file("Addon/scenery/a.bgl", faultyFacilityFile());
            }),
            1U);
}

// Folder texts as Windows reads them: "." and ".." taken out as text (so a
// missing folder or a file before ".." is no obstacle), never above a drive's
// root; runs of separators one; a name's last dot dropped; a text that begins
// with one separator read in the host folder; the system's namespace
// prefixes; a network share, which no server answers.
TEST(Parity, FolderTextsAreReadAsWindowsReadsThem) {
  const std::vector<std::string> reached = {"Addon\\NoSuch\\..\\R1", "Addon\\readme.txt\\..\\R2", "Addon\\.\\R3\\.",
                                            "Addon\\\\R4", "Addon/R5", "/Addon/R6", "Addon\\R7.", "Addon\\Link\\..\\R8",
                                            "Addon\\R9.\\", ".\\Addon\\x\\..\\..\\Addon\\R10"};
  const std::size_t records = expectParity([&reached](Scene& scene) {
    std::vector<AreaEntry> areas;
    for (std::size_t i = 0; i < reached.size(); ++i) {
      areas.push_back({areaSection(static_cast<unsigned>(i) + 1), reached[i]});
      scene.install.file("Addon/R" + std::to_string(i + 1) + "/scenery/r" + std::to_string(i + 1) + ".bgl",
                         faultyFacilityFile());
    }
    const std::string host = scene.windowsHost;
    areas.push_back({areaSection(20), "\\\\?\\" + host + "\\Addon\\P1"});
    areas.push_back({areaSection(21), "\\\\.\\" + host + "\\Addon\\x\\..\\P2"});
    areas.push_back({areaSection(23), "\\\\server\\share\\Addon\\R1"});
    for (const char* name : {"P1", "P2"}) {
      scene.install.file(std::string("Addon/") + name + "/scenery/" + name + ".bgl", faultyFacilityFile());
    }
    scene.install.config(areas).file("Addon/readme.txt", Bytes{'x'});
    fs::create_directory_symlink("/tmp", scene.install.host() / "Addon" / "Link");
  });
  EXPECT_EQ(records, 12U);
}

// ".." stops at a drive's root, in a drive path and in a Local value read in
// the host folder: on drive C of the prefix, far from the Linux root. The
// Linux program shows the path without the ".." that Windows stops, so only
// the verdicts are compared.
TEST(Parity, ParentsStopAtTheDrivesRoot) {
  Scene scene(Drive::C);
  const std::string host = scene.windowsHost;
  scene.install
      .config({{areaSection(1), host.substr(0, 3) + "..\\..\\" + host.substr(3) + "\\Addon\\P3"},
               {areaSection(2), "..\\..\\..\\..\\..\\" + host.substr(3) + "\\Addon\\P4"}})
      .file("Addon/P3/scenery/p3.bgl", faultyFacilityFile())
      .file("Addon/P4/scenery/p4.bgl", faultyFacilityFile());
  const auto [linux, windows] = expectSameStatus(scene, 1);
  for (const Outcome* outcome : {&linux, &windows}) {
    for (const char* file : {"/Addon/P3/scenery/p3.bgl  (Add-on file)", "/Addon/P4/scenery/p4.bgl  (Add-on file)"}) {
      EXPECT_NE(outcome->listing.find(file), std::string::npos) << outcome->listing;
    }
  }
}

// A Local value of `length` characters that begins with `tag`, its folders
// at most 100 characters long, each filled with `fill`.
std::string longLocal(const std::string& tag, std::size_t length, char fill) {
  std::string local = tag;
  while (local.size() < length) {
    if (length - local.size() == 1) {
      local += fill;
      break;
    }
    local += '\\';
    local += std::string(std::min<std::size_t>(length - local.size(), 100), fill);
  }
  return local;
}

// The path limit is measured on a path's Windows form, as the Windows program
// holds it: the drive letter in place of the drive's folder (on drive C of
// the prefix 30-odd characters shorter than the Linux path, on Z: two longer)
// and one character per ANSI character (an accented letter is two bytes in a
// Linux name). Files whose Windows paths are 255 and 259 characters long are
// checked, 260 and 261 are not.
TEST(Parity, PathLimitsAreMeasuredInTheWindowsForm) {
  for (const Drive drive : {Drive::C, Drive::Z}) {
    for (const char fill : {'x', '\xe9'}) {
      const std::size_t records = expectParity(
          [&](Scene& scene) {
            // The programs' host folder: the Tools folder's parent, as built ("...\Tools\..").
            const std::size_t host = windowsPath(fs::canonical(scene.install.tools()), drive).size() + 3;
            const std::size_t fixed = host + std::string("\\").size() + std::string("\\scenery\\f.bgl").size();
            std::vector<AreaEntry> areas;
            for (const std::size_t length : {255U, 259U, 260U, 261U}) {
              const std::string local = longLocal("L" + std::to_string(length), length - fixed, fill);
              areas.push_back({areaSection(static_cast<unsigned>(areas.size()) + 1), local});
              std::string onDisk = platform::utf8FromAnsi(local);
              std::replace(onDisk.begin(), onDisk.end(), '\\', '/');
              scene.install.file(onDisk + "/scenery/f.bgl", faultyFacilityFile());
            }
            scene.install.config(areas);
          },
          drive);
      EXPECT_EQ(records, 2U) << (drive == Drive::C ? "C: " : "Z: ") << fill;
    }
  }
}

// A missing Scenery.cfg, or one that is no regular file: both programs say
// they cannot read it and check nothing.
TEST(Parity, SceneryCfgThatIsNoRegularFile) {
  for (int kind = 0; kind < 4; ++kind) {
    Scene scene(Drive::Z);
    const fs::path config = scene.install.host() / "Scenery.cfg";
    if (kind == 0) {
      ASSERT_EQ(::mkfifo(config.c_str(), 0600), 0);
    }
    if (kind == 1) fs::create_symlink("/dev/zero", config);
    if (kind == 2) fs::create_directory(config);
    const Outcome linux = scene.expectSameOutcome();
    EXPECT_NE(linux.console.find("ERROR: Can't read scenery configuration file "), std::string::npos) << kind;
    EXPECT_EQ(linux.exitStatus, 2) << kind;
    EXPECT_TRUE(linux.listing.starts_with("Listing from facility BGL file scan.\r\n\r\nThe scan could not be done:\r\n"
                                          "ERROR: Can't read scenery configuration file "))
        << kind;
  }
}

// Configurations under which no file can be opened: both programs say that
// nothing could be checked, and write no listing.
// Files named as Windows devices are never opened (Windows would open the
// device: AUX and COM1 wait for ever) and are named as not checked; a pipe
// and a link to a character device hold no scenery and are skipped. Both
// programs end, and agree.
TEST(Parity, DeviceNamesAreNeverOpenedAndPipesAreSkipped) {
  Scene scene(Drive::Z);
  scene.install.config({{areaSection(1), "World"}}).file("World/scenery/bad.bgl", faultyFacilityFile());
  const std::vector<std::string> devices = {"AUX.BGL", "com1.bgl", "nul.bgl",     "con.bgl",     "prn.bgl",
                                            "lpt1.bgl", "conin$.bgl", "Conout$ .bgl", "com9.old.bgl"};
  for (const std::string& name : devices) scene.install.file("World/scenery/" + name, faultyFacilityFile());
  // Not devices: names that only begin as one does.
  scene.install.file("World/scenery/com10.bgl", faultyFacilityFile())
      .file("World/scenery/auxiliary.bgl", faultyFacilityFile());
  const fs::path folder = scene.install.host() / "World" / "scenery";
  ASSERT_EQ(::mkfifo((folder / "pipe.bgl").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", folder / "zero.bgl");
  scene.linuxArguments = scene.windowsArguments = {"--explain"};
  const Outcome linux = scene.expectSameOutcome();
  EXPECT_EQ(linux.exitStatus, 2);
  std::size_t named = 0;
  for (const std::string& name : devices) {
    named += linux.console.find(name + "  a name Windows keeps for a device") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(named, devices.size()) << linux.console;
  for (const char* name : {"/com10.bgl  (Add-on", "/auxiliary.bgl  (Add-on", "/bad.bgl  (Add-on"}) {
    EXPECT_NE(linux.listing.find(name), std::string::npos) << name;
  }
  EXPECT_EQ(linux.console.find("pipe.bgl"), std::string::npos);
  EXPECT_EQ(linux.console.find("zero.bgl"), std::string::npos);
}

// Names a Linux disk holds and no Windows file can bear: the "*.bgl" search
// reports them, neither program opens them (FS2002 cannot), both name them
// as not checked, a line end in a name shown as '?'. A leading dot starts no
// extension, and Wine's short names end in "BGL" for a name that ends in
// ".bgl" and one dot or blank only. Local values that no Windows folder can
// bear are not scanned.
TEST(Parity, NamesNoWindowsFileCanBear) {
  Scene scene(Drive::Z);
  scene.install.config({{areaSection(1), "World"}, {areaSection(2), "a|b"}, {areaSection(3), "Dotted."},
                        {areaSection(4), "Wild*"}, {areaSection(5), "Q?"}});
  const std::vector<std::string> unbearable = {"x*.bgl",  "p|q.bgl", "t\tb.bgl", "l\nf.bgl", "x.bgl.", "y.bgl ",
                                               "lt<.bgl", "gt>.bgl", "qu\".bgl", "c:d.bgl",  "con.bgl."};
  for (const std::string& name : unbearable) scene.install.file("World/scenery/" + name, faultyFacilityFile());
  for (const char* name : {".bglx", ".bgl_off", "z.bgl..", "w.bgl. ", ".bgl", "fine.bgl"}) {
    scene.install.file(std::string("World/scenery/") + name, faultyFacilityFile());
  }
  for (const char* folder : {"a|b", "Dotted.", "Wild*", "Q?"}) {
    scene.install.file(std::string(folder) + "/scenery/no.bgl", faultyFacilityFile());
  }
  scene.linuxArguments = scene.windowsArguments = {"--explain"};
  const Outcome linux = scene.expectSameOutcome();
  EXPECT_EQ(linux.exitStatus, 2);
  // Eleven files, and the folder "Dotted.", which Windows opens as "Dotted": not there.
  EXPECT_NE(linux.console.find("WARNING: 12 BGL file(s)"), std::string::npos) << linux.console;
  EXPECT_NE(linux.console.find("/Dotted./  the folder does not exist"), std::string::npos) << linux.console;
  EXPECT_NE(linux.console.find("/l?f.bgl  a name no Windows file can bear"), std::string::npos) << linux.console;
  for (const char* name : {"/.bgl  (Add-on", "/fine.bgl  (Add-on"}) {
    EXPECT_NE(linux.listing.find(name), std::string::npos) << name;
  }
  EXPECT_EQ(linux.listing.find("no.bgl"), std::string::npos);
  EXPECT_EQ(linux.listing.find(".bglx"), std::string::npos);
}

// A backslash inside a Linux name: Windows shows it as a separator, so only
// the verdicts are compared.
TEST(Parity, BackslashInsideALinuxName) {
  Scene scene(Drive::Z);
  scene.install.config({{areaSection(1), "World"}})
      .file("World/scenery/a\\b.bgl", faultyFacilityFile())
      .file("World/scenery/fine.bgl", faultyFacilityFile());
  const auto [linux, windows] = expectSameStatus(scene, 2);
  for (const Outcome* outcome : {&linux, &windows}) {
    EXPECT_NE(outcome->console.find("WARNING: 1 BGL file(s)"), std::string::npos) << outcome->console;
  }
}

// Names are compared as Windows compares them: every letter of code page
// 1252 without regard to case, and a character a UTF-16 Scenery.cfg names
// outside the code page by its best fit ("\u0141\u00f3d\u017a" is "L\u00f3dz").
// The Linux program shows the names as on disk, the Windows one as written,
// so the verdicts are compared.
TEST(Parity, NamesBeyondAsciiAreComparedAsWindowsComparesThem) {
  Scene scene(Drive::Z);
  std::u16string config = u"\ufeff[Area.001]\r\nLocal=Addon\\M\u00dcNCHEN\r\n[Area.002]\r\nLocal=Addon\\\u00c9COLE\\\u00c9t\u00c9\r\n"
                          u"[Area.003]\r\nLocal=Addon\\\u0141\u00f3d\u017a\r\n[Area.004]\r\nLocal=Addon\\\u0142\u00f3d\u017a\r\n";
  std::string bytes;
  for (const char16_t unit : config) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  writeText(scene.install.host() / "Scenery.cfg", bytes);
  scene.install.file("Addon/M\u00fcnchen/scenery/m.bgl", faultyFacilityFile())
      .file("Addon/\u00e9cole/\u00e9t\u00e9/scenery/e.bgl", faultyFacilityFile())
      .file("Addon/L\u00f3dz/scenery/l.bgl", faultyFacilityFile());
  const auto [linux, windows] = expectSameStatus(scene, 1);
  // Area.003 and Area.004 both name Lodz ("l" with stroke has the best fit "l").
  EXPECT_EQ(recordsIn(linux.listing), 4U) << linux.listing;
  EXPECT_EQ(recordsIn(windows.listing), 4U) << windows.listing;
}

TEST(Parity, NothingChecked) {
  for (const std::string& config : {std::string(), std::string("\x01\x02 junk"),
                                    sceneryConfig({{areaSection(1), "None"}, {areaSection(2), "Q:\\No Drive"}})}) {
    Scene scene(Drive::Z);
    writeText(scene.install.host() / "Scenery.cfg", config);
    scene.install.file("Empty/scenery/readme.txt", plainBglFile(10));
    scene.linuxArguments = scene.windowsArguments = {"--explain"};
    const Outcome linux = scene.expectSameOutcome();
    EXPECT_NE(linux.console.find("ERROR: No BGL file could be checked in the scenery areas of "), std::string::npos);
    EXPECT_EQ(linux.exitStatus, 2);
    EXPECT_TRUE(linux.listing.starts_with("Listing from facility BGL file scan.\r\n\r\nThe scan could not be done:\r\n"
                                          "ERROR: No BGL file could be checked"));
  }
}

// Stock files emptied or with their header destroyed are format errors, in
// the scan, its explanation and the paragraphs of named files.
TEST(Parity, StockNamesWithoutAFacilityHeader) {
  Bytes destroyed = withCrc32(soundFacilityFile(), 0x6C40A47E);
  destroyed[0] = 'X';
  for (const bool named : {false, true}) {
    Scene scene(Drive::Z);
    scene.install.config({{areaSection(1), "A"}})
        .file("A/scenery/WAY004.BGL", Bytes{})
        .file("A/scenery/geopol07.bgl", destroyed)
        .file("A/scenery/emptyaddon.bgl", Bytes{});
    scene.linuxArguments = scene.windowsArguments = {"--explain"};
    if (named) {
      scene.linuxArguments.clear();
      scene.windowsArguments.clear();
      for (const char* name : {"WAY004.BGL", "geopol07.bgl", "emptyaddon.bgl"}) {
        const fs::path path = fs::canonical(scene.install.host()) / "A" / "scenery" / name;
        scene.linuxArguments.push_back(path.string());
        scene.windowsArguments.push_back(windowsPath(path, Drive::Z));
      }
    }
    const Outcome linux = scene.expectSameOutcome();
    EXPECT_EQ(linux.exitStatus, 1);
    const std::string reason =
        "  Format error: the name is a stock facility file's, but the header is not a facility header\r\n";
    std::size_t reasons = 0;
    for (std::size_t at = linux.console.find(reason); at != std::string::npos; at = linux.console.find(reason, at + 1)) {
      ++reasons;
    }
    EXPECT_EQ(reasons, 2U) << linux.console;
    if (!named) {
      EXPECT_NE(linux.listing.find("/A/scenery/WAY004.BGL  (Stock file)"), std::string::npos);
    }
  }
}

// The one difference the two programs keep on purpose: the Linux one lists a
// name as it is on disk, the Windows one lower-cased.
TEST(Parity, ListedNamesKeepTheirSpellingOnLinuxOnly) {
  Scene scene(Drive::Z);
  scene.install.config({{areaSection(1), "A"}}).file("A/scenery/BROKEN.BGL", faultyFacilityFile());
  const auto [linux, windows] = scene.runBoth();
  const std::string folder = fs::canonical(scene.install.tools()).string() + "/../A/scenery/";
  EXPECT_NE(linux.listing.find(folder + "BROKEN.BGL  (Add-on file)"), std::string::npos) << linux.listing;
  EXPECT_NE(windows.listing.find(folder + "broken.bgl  (Add-on file)"), std::string::npos) << windows.listing;
  EXPECT_EQ(withFileNamesLowered(windows.listing), withFileNamesLowered(linux.listing));
}

TEST(Parity, LargeSceneryCfg) {
  const std::size_t records = expectParity([](Scene& scene) {
    std::string text;
    while (text.size() < 5'000'000) text += "; a comment line as long as the ones large libraries carry\r\n";
    text += sceneryConfig({{areaSection(1), "A"}, {areaSection(399), "B"}});
    writeText(scene.install.host() / "Scenery.cfg", text);
    scene.install.file("A/scenery/a.bgl", faultyFacilityFile()).file("B/scenery/b.bgl", faultyFacilityFile());
  });
  EXPECT_EQ(records, 2U);
}

// FS2002's "EXE Path" in the prefix's 32-bit registry view, where its setup
// writes it, for the life of the object. The registry is saved each time, so
// that system.reg on disk says what the Windows program sees.
class PrefixRegistryValue {
 public:
  explicit PrefixRegistryValue(const std::string& value) {
    wine({"reg", "add", kKey, "/v", "EXE Path", "/t", "REG_SZ", "/d", value, "/f", "/reg:32"});
    wine({"--save-registry"});
  }
  ~PrefixRegistryValue() {
    wine({"reg", "delete", kKey, "/f", "/reg:32"});
    wine({"--save-registry"});
  }
  PrefixRegistryValue(const PrefixRegistryValue&) = delete;
  PrefixRegistryValue& operator=(const PrefixRegistryValue&) = delete;

 private:
  static constexpr const char* kKey = "HKLM\\Software\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0";
  static void wine(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), TRAWLEX_WINE_RUN);
    const ProgramRun run = runCommand(arguments, fs::temp_directory_path());
    EXPECT_EQ(run.exitStatus, 0) << arguments[1] << ": " << run.output;
  }
};

TEST(Parity, RegistryPathOnDriveC) {
  Scene scene(Drive::C);
  fs::remove(scene.install.host() / "SCENEDB");  // found through the registry alone
  const PrefixRegistryValue value(scene.windowsHost + "\\ ");
  scene.install.config({{areaSection(1), "A"}}).file("A/scenery/a.bgl", faultyFacilityFile());
  const Outcome linux = scene.expectSameOutcome();
  EXPECT_EQ(linux.exitStatus, 1);
  EXPECT_NE(linux.listing.find(fs::canonical(scene.install.host()).string() + "/A/scenery/a.bgl"), std::string::npos);
}

// The default install path on drive C, for the life of the object.
class DefaultPathInstall {
 public:
  DefaultPathInstall() : install(root()) {}
  ~DefaultPathInstall() {
    std::error_code ignored;
    fs::remove_all(install.host(), ignored);
  }
  DefaultPathInstall(const DefaultPathInstall&) = delete;
  DefaultPathInstall& operator=(const DefaultPathInstall&) = delete;

  static fs::path root() { return fs::path(driveC()) / "Program Files" / "Microsoft Games"; }
  InstallBuilder install;
};

TEST(Parity, DefaultInstallPathOnDriveC) {
  Scene scene(Drive::C);
  fs::remove(scene.install.host() / "SCENEDB");
  DefaultPathInstall atDefault;
  atDefault.install.config({{areaSection(1), "A"}}).file("A/scenery/a.bgl", faultyFacilityFile());
  const Outcome linux = scene.expectSameOutcome();
  EXPECT_EQ(linux.exitStatus, 1);
  EXPECT_NE(linux.listing.find(fs::canonical(atDefault.install.host()).string() + "/A/scenery/a.bgl"), std::string::npos);
}

// A listing that cannot be wholly written (here: every write fails) is not
// reported as written, by either program.
TEST(Parity, ListingOnAFullDisk) {
  expectParity([](Scene& scene) {
    scene.install.config({{areaSection(1), "A"}}).file("A/scenery/bad.bgl", faultyFacilityFile());
    fs::create_symlink("/dev/full", scene.install.tools() / "FileList.txt");
  });
}

// A name the ANSI code page cannot spell: both programs check the file; the
// Windows one lists it under its 8.3 short name, the Linux one under its own.
TEST(Parity, NameOutsideTheAnsiCodePageIsChecked) {
  Scene scene(Drive::Z);
  scene.install.config({{areaSection(1), "A"}}).file("A/scenery/\xc5\x81\xc3\xb3" "d\xc5\xba.bgl", faultyFacilityFile());
  const auto [linux, windows] = scene.runBoth();
  EXPECT_EQ(windows.console, linux.console);
  EXPECT_EQ(windows.exitStatus, 1);
  EXPECT_EQ(linux.exitStatus, 1);
  const std::string folder = fs::canonical(scene.install.tools()).string() + "/../A/scenery/";
  EXPECT_NE(linux.listing.find(folder + "\xc5\x81\xc3\xb3" "d\xc5\xba.bgl  (Add-on file)"), std::string::npos);
  EXPECT_NE(windows.listing.find(folder), std::string::npos);
  EXPECT_NE(windows.listing.find("~"), std::string::npos);  // the short name
}

// Started from a unix shell, the Windows program can sit at a path longer
// than it can read (more than 259 characters): it then scans from the folder
// it was started in and writes no listing anywhere, rather than in a drive's root.
TEST(WindowsProgram, PathTooLongToReadWritesNoListing) {
  TempDir temp;
  InstallBuilder install{temp.path()};
  install.config({{areaSection(1), "A"}}).file("A/scenery/bad.bgl", faultyFacilityFile());
  const fs::path deep = fs::canonical(temp.path()) / std::string(150, 'd') / std::string(150, 'e');
  fs::create_directories(deep);
  const fs::path program = deep / "trawlex.exe";
  fs::copy_file(TRAWLEX_WINDOWS_PROGRAM, program);
  const ProgramRun run = runProgram(program, install.tools(), Input::Closed, {TRAWLEX_WINE_RUN});
  EXPECT_NE(run.output.find("FS2002 located"), std::string::npos);
  EXPECT_NE(run.output.find("ERROR: Can't create listing file FileList.txt\r\n\r\nAt least one BGL file"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_FALSE(fs::exists(deep / "FileList.txt"));
  EXPECT_FALSE(fs::exists(install.tools() / "FileList.txt"));
  EXPECT_FALSE(fs::exists("/FileList.txt"));
}

// Permissions bind only a user other than root, who reads everything: as
// root, both programs run as nobody, the Windows one in a copy of the tree's
// prefix handed over to that user (Wine runs only in a prefix of one's own).
TEST(Parity, FilesAndFoldersWhoseAccessIsDenied) {
  TempDir temp;
  InstallBuilder install{temp.path()};
  install.config({{areaSection(1), "A"}, {areaSection(2), "B"}})
      .file("A/scenery/bad.bgl", faultyFacilityFile())
      .file("A/scenery/locked.bgl", faultyFacilityFile())
      .file("B/scenery/b.bgl", faultyFacilityFile());
  const std::vector<std::string> linuxEnvironment = {"WINEPREFIX=", "HOME=" + (temp.path() / "home").string()};
  std::vector<std::string> asUser, windowsLauncher = {TRAWLEX_WINE_RUN}, windowsEnvironment;
  if (::geteuid() == 0) {
    const fs::path prefix = temp.path() / "prefix";
    fs::copy(kPrefix, prefix, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::remove(prefix / "wineserver");  // where the tree's own server runs: a new one serves the copy
    constexpr uid_t kNobody = 65534;
    ASSERT_EQ(::lchown(temp.path().c_str(), kNobody, kNobody), 0);
    for (const auto& entry : fs::recursive_directory_iterator(temp.path())) {
      ASSERT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0);
    }
    asUser = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    windowsLauncher = asUser;
    windowsLauncher.push_back(TRAWLEX_WINE_LOADER);
    windowsEnvironment = {"WINEPREFIX=" + prefix.string(), "WINEARCH=" TRAWLEX_WINEARCH, "WINEDEBUG=-all",
                          "HOME=" + (temp.path() / "home").string()};
  }
  fs::permissions(install.host() / "A" / "scenery" / "locked.bgl", fs::perms::none);
  fs::permissions(install.host() / "B" / "scenery", fs::perms::none);
  const Outcome linux = scan(install, temp.path(), TRAWLEX_PROGRAM, asUser, linuxEnvironment, {"--explain"});
  Outcome windows =
      scan(install, temp.path(), TRAWLEX_WINDOWS_PROGRAM, windowsLauncher, windowsEnvironment, {"--explain"});
  windows.console = asLinuxPaths(windows.console);
  windows.listing = asLinuxPaths(windows.listing);
  EXPECT_EQ(windows.console, linux.console);
  EXPECT_EQ(windows.listing, linux.listing);
  EXPECT_EQ(windows.exitStatus, 2);
  EXPECT_EQ(linux.exitStatus, 2);
  const std::string tools = fs::canonical(install.tools()).string();
  EXPECT_NE(linux.console.find("  " + tools + "/../A/scenery/locked.bgl  access denied\r\n  " + tools +
                               "/../B/scenery/  access denied\r\n"),
            std::string::npos)
      << linux.console;
}

}  // namespace
