// Run driver units: host folder location with a stand-in system, own folder,
// scenery folder paths and exit statuses. Whole runs are in e2e_test.cpp.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "driver/area_walk.h"
#include "driver/command_line.h"
#include "driver/config_survey.h"
#include "driver/host_folder.h"
#include "driver/run.h"
#include "driver/run_state.h"
#include "platform/platform.h"
#include "support/bgl_builder.h"
#include "support/code_pages.h"
#include "support/crc_forge.h"
#include "support/temp_dir.h"

namespace {

using driver::HostProbe;
using testsupport::cp932LeadByte;
using testsupport::noLeadByte;

// A system with a registry value (or none), a set of existing paths and a
// current folder, recording which paths were asked about. Windows folder
// texts lead to themselves, except those of drive Q:, which no folder stands for.
struct FakeSystem {
  FakeSystem(std::optional<std::string> registryValue, std::set<std::string> existingPaths,
             std::string currentFolder = "D:\\FS2002\\Tools")
      : registry(std::move(registryValue)), existing(std::move(existingPaths)), current(std::move(currentFolder)) {}

  std::optional<std::string> registry;
  std::set<std::string> existing;
  std::string current;
  std::vector<std::string> asked;

  HostProbe probe() {
    return HostProbe{[this] { return registry; },
                     [](const std::string& text) -> std::optional<std::string> {
                       if (text.rfind("Q:", 0) == 0) return std::nullopt;
                       return text;
                     },
                     [this](const std::string& path) {
                       asked.push_back(path);
                       return existing.count(path) > 0;
                     },
                     [this] { return current; }, '\\', {}};
  }
  std::string locate() { return driver::locateHostFolder(probe()); }
};

constexpr const char* kDefault = "c:\\Program Files\\Microsoft Games\\FS2002";

TEST(HostFolder, RegistryPathLosesTrailingBackslashesAndBlanksButNotItsFirstCharacter) {
  EXPECT_EQ(driver::trimRegistryPath("D:\\FS2002\\ \\"), "D:\\FS2002");
  EXPECT_EQ(driver::trimRegistryPath("D:\\FS2002"), "D:\\FS2002");
  EXPECT_EQ(driver::trimRegistryPath("\\\\"), "\\");
  EXPECT_EQ(driver::trimRegistryPath("   "), " ");
  EXPECT_EQ(driver::trimRegistryPath("D:\\My FS\\  "), "D:\\My FS");
  EXPECT_EQ(driver::trimRegistryPath("D:/FS2002/"), "D:/FS2002/");
  EXPECT_EQ(driver::trimRegistryPath(""), "");
}

TEST(HostFolder, RegistryPathIsTrimmedBeforeItsExistenceTest) {
  FakeSystem system("D:\\FS2002\\ \\", {"D:\\FS2002", "D:\\FS2002\\Scenery.cfg"});
  EXPECT_EQ(system.locate(), "D:\\FS2002");
  EXPECT_EQ(system.asked, (std::vector<std::string>{"D:\\FS2002", "D:\\FS2002\\Scenery.cfg"}));
}

// A recorded path is an installation only with its scenery configuration: a
// folder left behind by an old install is passed over for the fallbacks (the
// default path stands in only for a missing record); with none of them
// found, the recorded folder that is there is the one whose Scenery.cfg the
// error then names.
TEST(HostFolder, RegistryPathIsTakenOnlyWhenItHoldsASceneryConfiguration) {
  FakeSystem installed("E:\\Games", {"E:\\Games", "E:\\Games\\Scenery.cfg", kDefault});
  EXPECT_EQ(installed.locate(), "E:\\Games");
  FakeSystem leftover("E:\\Games", {"E:\\Games", kDefault, std::string(kDefault) + "\\Scenery.cfg",
                                      "D:\\FS2002\\Tools\\..\\SCENEDB"});
  EXPECT_EQ(leftover.locate(), "D:\\FS2002\\Tools\\..");
  FakeSystem nothingElse("E:\\Games", {"E:\\Games"});
  EXPECT_EQ(nothingElse.locate(), "E:\\Games");
}

TEST(HostFolder, TwoBackslashesAreTestedAsOne) {
  FakeSystem system("\\\\", {"\\", "\\\\Scenery.cfg"});
  EXPECT_EQ(system.locate(), "\\");
}

TEST(HostFolder, MissingRegistryPathFallsToTheDefaultPath) {
  const std::set<std::string> installed = {kDefault, std::string(kDefault) + "\\Scenery.cfg"};
  FakeSystem system(std::nullopt, installed);
  EXPECT_EQ(system.locate(), kDefault);
  FakeSystem emptyValue("", installed);
  EXPECT_EQ(emptyValue.locate(), kDefault);
  FakeSystem empty(std::nullopt, {kDefault});
  EXPECT_EQ(empty.locate(), kDefault);  // there without its Scenery.cfg
}

TEST(HostFolder, RegistryPathThatDoesNotExistGoesStraightToTheParentFolder) {
  FakeSystem missingFolder("E:\\Gone", {kDefault, "D:\\FS2002\\Tools\\..\\SCENEDB"});
  EXPECT_EQ(missingFolder.locate(), "D:\\FS2002\\Tools\\..");
  EXPECT_EQ(missingFolder.asked, (std::vector<std::string>{"E:\\Gone", "D:\\FS2002\\Tools\\..\\SCENEDB"}));
}

TEST(HostFolder, RegistryPathThatLeadsToNoFolderIsOneThatDoesNotExist) {
  FakeSystem system("Q:\\FS2002", {"Q:\\FS2002", kDefault, "D:\\FS2002\\Tools\\..\\SCENEDB"});
  EXPECT_EQ(system.locate(), "D:\\FS2002\\Tools\\..");
  EXPECT_EQ(system.asked, (std::vector<std::string>{"D:\\FS2002\\Tools\\..\\SCENEDB"}));
}

// The parent of the program's folder first (kept unnormalised), then the
// program's folder itself: a program put beside SCENEDB finds its installation.
TEST(HostFolder, LastCandidatesAreTheParentThenTheOwnFolderWithTheirMarker) {
  FakeSystem system(std::nullopt, {"D:\\FS2002\\Tools\\..\\SCENEDB", "D:\\FS2002\\Tools\\SCENEDB"});
  EXPECT_EQ(system.locate(), "D:\\FS2002\\Tools\\..");
  FakeSystem inTheInstallation(std::nullopt, {"D:\\FS2002\\SCENEDB"}, "D:\\FS2002");
  EXPECT_EQ(inTheInstallation.locate(), "D:\\FS2002");
  EXPECT_EQ(inTheInstallation.asked,
            (std::vector<std::string>{kDefault, "D:\\FS2002\\..\\SCENEDB", "D:\\FS2002\\SCENEDB"}));
  FakeSystem noMarker(std::nullopt, {"D:\\FS2002\\SCENEDB"});
  EXPECT_EQ(noMarker.locate(), "");
}

TEST(HostFolder, CurrentFolderTooLongForTheMarkerMeansNoHostFolder) {
  const std::string fits = "D:\\" + std::string(245, 'f');  // 248 characters
  FakeSystem atLimit(std::nullopt, {fits + "\\..\\SCENEDB"}, fits);
  EXPECT_EQ(atLimit.locate(), fits + "\\..");
  const std::string tooLong = "D:\\" + std::string(249, 'g');  // the own folder's marker path is 260 long
  FakeSystem overLimit(std::nullopt, {tooLong + "\\..\\SCENEDB", tooLong + "\\SCENEDB"}, tooLong);
  EXPECT_EQ(overLimit.locate(), "");
  EXPECT_EQ(overLimit.asked, (std::vector<std::string>{kDefault, kDefault}));
}

TEST(HostFolder, UnreadableCurrentFolderIsAnEmptyText) {
  FakeSystem system(std::nullopt, {"\\..\\SCENEDB"}, "");
  EXPECT_EQ(system.locate(), "\\..");
  FakeSystem ownMarkerOnly(std::nullopt, {"\\SCENEDB"}, "");
  EXPECT_EQ(ownMarkerOnly.locate(), "");
}

TEST(DoubleByteNames, RegistryPathKeepsTrailBytesThatLookLikeBackslashes) {
  // 0x95 0x5C is a kanji whose trail byte is a backslash.
  EXPECT_EQ(driver::trimRegistryPath("D:\\\x95\x5C", cp932LeadByte), "D:\\\x95\x5C");
  EXPECT_EQ(driver::trimRegistryPath("D:\\\x95\x5C\\ \\", cp932LeadByte), "D:\\\x95\x5C");
  EXPECT_EQ(driver::trimRegistryPath("D:\\\x95\x5C", noLeadByte), "D:\\\x95");
  EXPECT_EQ(driver::trimRegistryPath("\x95\x5C", cp932LeadByte), "\x95\x5C");
  // A lead byte at the end stands alone: nothing is read, or kept, beyond the text.
  EXPECT_EQ(driver::trimRegistryPath("D:\\FS\\\x83", cp932LeadByte), std::string("D:\\FS\\\x83"));
}

TEST(RunSequence, ExitStatuses) {
  EXPECT_EQ(driver::exitStatusOf(driver::RunOutcome::NoBadFiles), 0);
  EXPECT_EQ(driver::exitStatusOf(driver::RunOutcome::BadFilesFound), 1);
  EXPECT_EQ(driver::exitStatusOf(driver::RunOutcome::Failed), 2);
}

// Expected paths are written with '|' for the separator of the build.
std::string native(std::string text) {
  for (char& c : text) {
    if (c == '|') c = platform::pathSeparator();
  }
  return text;
}

const platform::SystemPaths kNoPrefix{};

TEST(AreaWalk, RelativeLocalValueIsAppendedToTheHostFolder) {
  EXPECT_EQ(driver::sceneryFolderPath(kNoPrefix, native("H"), "Scenery\\World"), native("H|Scenery|World|scenery|"));
  EXPECT_EQ(driver::sceneryFolderPath(kNoPrefix, native("H|Tools|.."), "C"), native("H|Tools|..|C|scenery|"));
  // One leading backslash and no drive: inside the host folder, as on Windows.
  EXPECT_EQ(driver::sceneryFolderPath(kNoPrefix, native("H"), "\\Addon"), native("H||Addon|scenery|"));
  EXPECT_EQ(driver::sceneryFolderPath(kNoPrefix, native("H"), "/Addon"), native("H|/Addon|scenery|"));
}

TEST(AreaWalk, AbsoluteLocalValueIsScannedWhereItPoints) {
  const bool posix = platform::pathSeparator() == '/';
  EXPECT_EQ(driver::sceneryFolderPath(kNoPrefix, native("H"), "Z:\\srv\\addon"),
            (posix ? "/srv/addon" : "Z:\\srv\\addon") + native("|scenery|"));
}

TEST(AreaWalk, FolderPathsOverTheLimitAreRefused) {
  const std::string host = native("H|") + std::string(246, 'h');  // 248 + "|a|scenery|" = 259
  EXPECT_EQ(driver::sceneryFolderPath(kNoPrefix, host, "a")->size(), 259U);
  EXPECT_FALSE(driver::sceneryFolderPath(kNoPrefix, host, "ab"));
}

// The run's one window serves file after file: no file's verdict may take
// bytes of the file checked before it, whatever their sizes.
TEST(FileChecker, EachFileIsJudgedByItsOwnBytesThroughTheSharedWindow) {
  using testsupport::Bytes;
  Bytes large = testsupport::soundFacilityFile();
  large.resize(70000);  // more than one window
  large = testsupport::withCrc32(large, 0x6C40A47E);
  const Bytes cut(large.begin(), large.begin() + 65546);
  driver::FileChecker checker;
  const auto check = [&checker](const Bytes& bytes) {
    const testsupport::ScratchFile file(bytes);
    return checker.check(file.get(), "GEOPOL07.BGL");
  };
  const auto clean = [](const checks::FileVerdict& verdict) {
    return verdict.isStock && verdict.facility && verdict.checksum && !verdict.bad();
  };
  EXPECT_TRUE(clean(check(large)));
  const checks::FileVerdict shorter = check(cut);
  EXPECT_TRUE(shorter.facility && shorter.section.sound());
  EXPECT_TRUE(shorter.checksum && !shorter.checksum->matches());
  const checks::FileVerdict plain = check(testsupport::plainBglFile(300));
  EXPECT_FALSE(plain.facility || plain.checksum);
  EXPECT_TRUE(plain.stockWithoutHeader() && plain.bad());
  EXPECT_TRUE(clean(check(large)));
}

// What the walk does not read as FS2002 loads it, each at its line; only the
// first few hundred are kept, the rest counted.
TEST(ConfigSurvey, NotesWhatTheWalkReadsOtherwiseThanFs2002) {
  using Kind = scan::ConfigNote::Kind;
  testsupport::TempDir dir;
  const std::string path = (dir.path() / "Scenery.cfg").string();
  testsupport::writeText(path,
                         "[Area.001]\r\nLocal=A\r\nActive=false\r\nActive=TRUE\r\n"  // lines 1-4
                         "[Area.10]\r\nLocal=Ten\r\nLocal=Other\r\n"                  // 5-7
                         "[AREA.002]\r\nLocal=a\r\n[Area.001]\r\nActive=FALSE\r\n"  // 8-11
                         "[Area.000]\r\n[Area.400]\r\n[Area.1x]\r\n[Areas.005]\r\n");  // 12-15
  const std::vector<scan::AreaSummary> areas = {
      {1, "/fs/A/scenery/", true, 1, 0}, {2, "/fs/a/scenery/", true, 1, 0}, {3, "/fs/none/", false, 0, 0}};
  const scan::ConfigSurvey survey = driver::surveyConfig({}, path, areas);
  EXPECT_EQ(survey.configPath, path);
  ASSERT_EQ(survey.notes.size(), 6U);
  const auto expectNote = [&survey](std::size_t i, Kind kind, std::size_t line, const std::string& section) {
    EXPECT_EQ(survey.notes[i].kind, kind) << i;
    EXPECT_EQ(survey.notes[i].line, line) << i;
    EXPECT_EQ(survey.notes[i].section, section) << i;
  };
  expectNote(0, Kind::Inactive, 3, "Area.001");
  expectNote(1, Kind::NeverRead, 5, "Area.10");
  EXPECT_EQ(survey.notes[1].local, "Ten");
  expectNote(2, Kind::FolderScannedBefore, 8, "Area.002");
  EXPECT_EQ(survey.notes[2].earlierArea, 1U);
  expectNote(3, Kind::Repeated, 10, "Area.001");
  EXPECT_EQ(survey.notes[3].firstLine, 1U);
  expectNote(4, Kind::NeverRead, 12, "Area.000");
  expectNote(5, Kind::NeverRead, 13, "Area.400");
  EXPECT_EQ(survey.notShown, 0U);

  std::string many;
  for (int i = 1; i <= 350; ++i) many += "[Area.0" + std::to_string(1000 + i).substr(1) + "]\nLocal=x\n";
  testsupport::writeText(path, many);
  const scan::ConfigSurvey capped = driver::surveyConfig({}, path, {});
  EXPECT_EQ(capped.notes.size(), driver::kMaxConfigNotes);
  EXPECT_EQ(capped.notShown, 50U);
  EXPECT_EQ(capped.notes.back().line, 2 * driver::kMaxConfigNotes - 1);
}

TEST(AreaWalk, SectionNamesAreAskedWithThreeDigits) {
  const std::vector<std::string> sections = driver::areaSectionNames();
  ASSERT_EQ(sections.size(), 399U);
  EXPECT_EQ(sections.front(), "Area.001");
  EXPECT_EQ(sections[9], "Area.010");
  EXPECT_EQ(sections.back(), "Area.399");
}

}  // namespace

// ---------------------------------------------------------------- command line

namespace command_line {

using driver::CommandLine;
using Form = CommandLine::Form;

CommandLine read(const std::vector<std::string>& arguments) { return driver::readCommandLine(arguments); }

// With --originals or --restore every word that is no option is a place to
// search, an existing file included: the scan runs, never the file form.
TEST(CommandLineForms, OriginalsMakesEveryArgumentThatIsNoOptionAPlace) {
  const CommandLine search = read({"D:\\", "--originals", "dropped.bgl", "--explain"});
  EXPECT_EQ(search.form, Form::Scan);
  EXPECT_TRUE(search.originals && search.explain);
  EXPECT_EQ(search.places, (std::vector<std::string>{"D:\\", "dropped.bgl"}));
  EXPECT_TRUE(search.files.empty());
  EXPECT_EQ(read({"--originals", "--help"}).form, Form::Help);
  EXPECT_FALSE(read({"dropped.bgl"}).originals);
  // --restore searches the same places, then restores.
  const CommandLine restore = read({"dropped.bgl", "--restore", "E:\\FS2002.CAB"});
  EXPECT_EQ(restore.form, Form::Scan);
  EXPECT_TRUE(restore.originals && restore.restore && !restore.explain);
  EXPECT_EQ(restore.places, (std::vector<std::string>{"dropped.bgl", "E:\\FS2002.CAB"}));
  EXPECT_FALSE(search.restore);
  // --undo stands alone: no scan, no search, whatever else is given.
  EXPECT_EQ(read({"--restore", "dropped.bgl", "--undo"}).form, Form::Undo);
  EXPECT_EQ(read({"--undo", "--version"}).form, Form::Version);
}

// Any word that is no option makes the file form, whether it names a file,
// a folder or nothing: the run then tells which.
TEST(CommandLineForms, AnyWordThatIsNoOptionMakesTheFileForm) {
  const CommandLine files = read({"missing.bgl", "--explain", "dropped.bgl", "-", "other"});
  EXPECT_EQ(files.form, Form::Files);
  EXPECT_EQ(files.files, (std::vector<std::string>{"missing.bgl", "dropped.bgl", "-", "other"}));
  const CommandLine scan = read({"--explain"});
  EXPECT_EQ(scan.form, Form::Scan);
  EXPECT_TRUE(scan.explain && scan.files.empty());
  EXPECT_FALSE(read({}).explain);
}

// An option Trawlex does not know is refused, never read as a word: a
// mistyped --restore must not run a scan.
TEST(CommandLineForms, UnknownOptionsAreRefusedAndTheUsualHelpNamesAnswer) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"--restor"}, {"-x", "--Explain"}, {"dropped.bgl", "--originals", "-q"}, {"--undo", "--help=x"}}) {
    const CommandLine refused = read(arguments);
    EXPECT_EQ(refused.form, Form::UnknownOption);
    EXPECT_TRUE(refused.unknownOption == arguments[0] || refused.unknownOption.starts_with("-")) << arguments[0];
  }
  EXPECT_EQ(read({"--restor", "-y"}).unknownOption, "--restor");
  EXPECT_EQ(read({"-x", "--Explain"}).unknownOption, "-x");
  for (const char* help : {"--help", "-h", "-?", "/?"}) EXPECT_EQ(read({"--bogus", help}).form, Form::Help) << help;
}

TEST(CommandLineForms, HelpOrVersionWinsWhicheverComesFirst) {
  EXPECT_EQ(read({"dropped.bgl", "--version", "--help"}).form, Form::Version);
  EXPECT_EQ(read({"--explain", "--help", "--version"}).form, Form::Help);
  EXPECT_EQ(read({"-help", "/?"}).form, Form::Help);
}

}  // namespace command_line
