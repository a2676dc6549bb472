// Whole runs of the real program on synthetic installations: console bytes,
// listing bytes and exit status compared exactly.

#include <algorithm>
#include <map>
#include <string>

#include "e2e_fixture.h"

namespace {

using namespace e2e;

TEST_F(EndToEnd, NoHostFolder) {
  fs::remove(install.host() / "SCENEDB");
  writeText(install.tools() / "FileList.txt", "older listing");
  for (Input input : {Input::Closed, Input::AtEnd}) {
    const ProgramRun result = run(input);
    EXPECT_EQ(result.output, std::string(ex::kBanner) + ex::kNoHostFolder + ex::kPrompt);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(listing(), ex::kListingNoScan + std::string(ex::kNoHostFolder));
  }
  // An undo puts files back only into an installation it finds.
  const ProgramRun undone = runWithArguments({"--undo"});
  EXPECT_EQ(undone.output, std::string(ex::kBanner) + ex::kNoHostFolder + ex::kPrompt);
  EXPECT_EQ(undone.exitStatus, 2);
}

TEST_F(EndToEnd, CleanRunWritesTheTwoTextListing) {
  install.config({{areaSection(1), "Scenery\\World"}})
      .file("Scenery/World/scenery/myfield.bgl", soundFacilityFile())
      .file("Scenery/World/scenery/texture.bgl", plainBglFile(500))
      .file("Scenery/World/scenery/short.bgl", plainBglFile(10));
  const ProgramRun result = run();
  EXPECT_EQ(result.output, console("\rAll Files: 3  Facility Files: 1", ex::kVerdictClean));
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kNoFormatErrors);
}

// A scan that could not be done, for want of a readable Scenery.cfg or of
// any file to check, gives no verdict: the console says what to do, and the
// listing says so too, so that an earlier one never looks current.
TEST_F(EndToEnd, UnreadableConfigurationOrNothingCheckedIsAnErrorAndReplacesTheListing) {
  writeText(install.tools() / "FileList.txt", "older listing");
  install.file("Scenery/World/scenery/bad.bgl", faultyFacilityFile());
  ProgramRun result = run();
  EXPECT_EQ(result.output, configError());
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(listing(), ex::kListingNoScan + configErrorLines());

  writeText(install.host() / "Scenery.cfg", "");
  result = run();
  EXPECT_EQ(result.output, nothingChecked());
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(listing(), ex::kListingNoScan + nothingCheckedLines());

  // The same installation with one file to check gives a verdict again.
  install.config({{areaSection(1), "Scenery\\World"}});
  fs::remove(install.host() / "Scenery/World/scenery/bad.bgl");
  install.file("Scenery/World/scenery/texture.bgl", plainBglFile(200));
  EXPECT_EQ(run().exitStatus, 0);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kNoFormatErrors);
}

// An area whose folder is not there is named among what was not checked,
// and the run fails: no all-clear with an area unread. An area folder that
// holds no scenery folder (textures only) is sound.
TEST_F(EndToEnd, AnAreaWhoseFolderIsMissingIsNotCheckedAndFailsTheRun) {
  install.config({{areaSection(1), "Scenery\\World"}, {areaSection(2), "Not There"}, {areaSection(3), "Textures"}})
      .file("Scenery/World/scenery/texture.bgl", plainBglFile(200))
      .file("Textures/texture/sky.bmp", Bytes{1});
  const ProgramRun result = run();
  const std::string missing = host() + native("/Not There/");
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kNoFormatErrors + ex::kUnreadExplanation + missing +
                           "  (the folder does not exist)\r\n");
  EXPECT_EQ(result.output, console("\rAll Files: 1  Facility Files: 0", std::string(ex::kVerdictClean) +
                                                                            ex::kUnreadWarning + "1" +
                                                                            ex::kUnreadWarningEnd));
}

// The program put into the installation's own folder, beside SCENEDB.
TEST_F(EndToEnd, ProgramInTheInstallationFolderItselfFindsIt) {
  install.config({{areaSection(1), "A"}}).file("A/scenery/bad.bgl", faultyFacilityFile());
  const fs::path program = install.host() / fs::path(TRAWLEX_PROGRAM).filename();
  fs::copy_file(TRAWLEX_PROGRAM, program);
  const ProgramRun result = runProgram(program, temp.path(), Input::Closed, {}, isolatedEnvironment());
  EXPECT_EQ(result.exitStatus, 1) << result.output;
  const std::string hostText = fs::canonical(install.host()).string();
  EXPECT_EQ(readText(install.host() / "FileList.txt"), std::string(ex::kHeading) + ex::kFormatExplanation +
                                                           record(hostText + native("/A/scenery/bad.bgl"), false) +
                                                           "\r\n");
}

TEST_F(EndToEnd, OnlyFormatErrors) {
  install.config({{areaSection(1), "Scenery\\World"}})
      .file("Scenery/World/scenery/addon1.bgl", faultyFacilityFile())
      .file("Scenery/World/scenery/eurnwafd.bgl", faultyFacilityFile())
      .file("Scenery/World/scenery/good.bgl", soundFacilityFile());
  const ProgramRun result = run();
  EXPECT_EQ(result.output, console("\rAll Files: 3  Facility Files: 3", ex::kVerdictBadStock));
  EXPECT_EQ(result.exitStatus, 1);
  const std::string folder = host() + native("/Scenery/World/scenery/");
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation + record(folder + "eurnwafd.bgl", true) +
                           record(folder + "addon1.bgl", false) + "\r\n" + ex::kCureHint);
}

TEST_F(EndToEnd, OnlyChecksumErrorsAndAStockFileWithItsExactChecksum) {
  Bytes altered = withCrc32(soundFacilityFile(), 0x6C40A47E);
  altered[20] ^= 0x40;
  install.config({{areaSection(1), "Scenery\\World"}})
      .file("Scenery/World/scenery/geopol07.bgl", altered)
      .file("Scenery/World/scenery/bv42301.bgl", withCrc32(soundFacilityFile(), 0xAF77A480));
  const ProgramRun result = run();
  EXPECT_EQ(result.output, console("\rAll Files: 2  Facility Files: 2", ex::kVerdictBadStock));
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kNoFormatErrors + ex::kChecksumExplanation +
                           record(host() + native("/Scenery/World/scenery/geopol07.bgl"), true) + ex::kCureHint);
}

TEST_F(EndToEnd, FileInBothListsAndAStockNameFailingTheHeaderTest) {
  Bytes notFacility = withCrc32(soundFacilityFile(), 0x11111111);
  notFacility[0x90] = 2;  // facility flag
  install.config({{areaSection(1), "Scenery\\World"}})
      .file("Scenery/World/scenery/way001.bgl", faultyFacilityFile())
      .file("Scenery/World/scenery/geopol07.bgl", notFacility);
  install.file("Scenery/World/scenery/way004.bgl", Bytes{});
  install.file("Scenery/World/scenery/emptyaddon.bgl", Bytes{});
  const ProgramRun result = run();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.output, console("\rAll Files: 4  Facility Files: 1", ex::kVerdictBadStock));
  // Every stock name belongs to a facility file: one that fails the header
  // test is a format error; an add-on file that does is simply no facility file.
  const std::string folder = host() + native("/Scenery/World/scenery/");
  const std::string way = record(folder + "way001.bgl", true);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation + record(folder + "way004.bgl", true) + way +
                           record(folder + "geopol07.bgl", true) + "\r\n" + ex::kChecksumExplanation + way + ex::kCureHint);
}

TEST_F(EndToEnd, RunningCountAtEveryTenthFileOfTheRun) {
  install.config({{areaSection(1), "A"}, {areaSection(2), "B"}});
  for (int i = 0; i < 12; ++i) {
    install.file("A/scenery/f" + std::to_string(100 + i) + ".bgl", i % 3 == 0 ? soundFacilityFile() : plainBglFile(200));
  }
  for (int i = 0; i < 13; ++i) {
    install.file("B/scenery/g" + std::to_string(100 + i) + ".bgl", i % 2 == 0 ? soundFacilityFile() : plainBglFile(200));
  }
  // A: facility files are f100, f103, f106, f109 (4 in the first ten files);
  // B: g100, g102, ... g112 (files 13 to 25: g100..g107 are files 13 to 20).
  const ProgramRun result = run();
  EXPECT_EQ(result.output, console("\rAll Files: 10  Facility Files: 4\rAll Files: 20  Facility Files: 8\rAll Files: 25  Facility Files: 11", ex::kVerdictClean));
}

TEST_F(EndToEnd, AreasAreReadByNumberFromOneTo399) {
  install.config({{areaSection(1), "One"},
                  {areaSection(2), "Two"},
                  {areaSection(450), "FourFifty"},
                  {"Area.10", "Ten"},
                  {areaSection(399), "Last"},
                  {areaSection(400), "FourHundred"}});
  for (const char* area : {"One", "Two", "FourFifty", "Ten", "Last", "FourHundred"}) {
    install.file(std::string(area) + "/scenery/bad.bgl", faultyFacilityFile());
  }
  run();
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation + record(host() + native("/Last/scenery/bad.bgl"), false) +
                           record(host() + native("/Two/scenery/bad.bgl"), false) +
                           record(host() + native("/One/scenery/bad.bgl"), false) + "\r\n");
}

TEST_F(EndToEnd, TwoAreasNamingOneFolderScanItTwice) {
  install.config({{areaSection(1), "Shared"}, {areaSection(3), "Shared"}});
  for (int i = 0; i < 5; ++i) install.file("Shared/scenery/p" + std::to_string(i) + ".bgl", plainBglFile(300));
  install.file("Shared/scenery/bad.bgl", faultyFacilityFile());
  const ProgramRun result = run();
  EXPECT_EQ(result.output, console("\rAll Files: 10  Facility Files: 2\rAll Files: 12  Facility Files: 2", ex::kVerdictBad));
  const std::string bad = record(host() + native("/Shared/scenery/bad.bgl"), false);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation + bad + bad + "\r\n");
}

TEST_F(EndToEnd, AbsoluteLocalValueIsScannedWhereItPoints) {
  const fs::path addon = fs::canonical(temp.path()) / "Elsewhere" / "My Addon";
  writeBytes(addon / "scenery" / "field.bgl", faultyFacilityFile());
  // On Linux as a Wine user writes it, on drive Z:.
  std::string local = addon.string();
  if (local.front() == '/') {
    std::replace(local.begin(), local.end(), '/', '\\');
    local = "Z:" + local;
  }
  install.config({{areaSection(1), local}});
  const ProgramRun result = run();
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation +
                           record(addon.string() + native("/scenery/field.bgl"), false) + "\r\n");
}

TEST_F(EndToEnd, MixedLetterCaseResolvesAndTheListingShowsTheRealSpelling) {
  fs::remove(install.host() / "SCENEDB");
  fs::create_directories(install.host() / "SceneDb");
  install.config({{areaSection(1), "scenery\\WORLD"}}, "SCENERY.CFG")
      .file("Scenery/World/Scenery/AIRPORT.BGL", faultyFacilityFile())
      .file("Scenery/World/Scenery/Mixed.Bgl", plainBglFile(200));
  const ProgramRun result = run();
  EXPECT_EQ(result.exitStatus, 1);
  // Windows opens the path as the configuration spells it; elsewhere the
  // listing shows the folder's real spelling on disk.
  // Windows lists the name lower-cased (any spelling opens it there);
  // elsewhere the name as on disk, so that the listed path opens the file.
  const std::string path = windowsBuild() ? host() + native("/scenery/WORLD/scenery/airport.bgl")
                                          : host() + native("/Scenery/World/Scenery/AIRPORT.BGL");
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation + record(path, false) + "\r\n");
}

TEST_F(EndToEnd, FoldersAndUnreadableEntriesAreSkippedUncounted) {
  install.config({{areaSection(1), "A"}});
  for (int i = 0; i < 9; ++i) install.file("A/scenery/p" + std::to_string(i) + ".bgl", plainBglFile(300));
  fs::create_directories(install.host() / "A" / "scenery" / "folder.bgl");
  install.file("A/scenery/extra.bgl", plainBglFile(300));
  const ProgramRun result = run();
  EXPECT_EQ(result.output, console("\rAll Files: 10  Facility Files: 0", ex::kVerdictClean));
}

TEST_F(EndToEnd, BlockedListingIsReportedWithExitStatusTwo) {
  install.config({{areaSection(1), "A"}}).file("A/scenery/bad.bgl", faultyFacilityFile());
  fs::create_directories(install.tools() / "FileList.txt");
  const ProgramRun result = run();
  const std::string listingPath = tools() + native("/FileList.txt");
  EXPECT_EQ(result.output, std::string(ex::kBanner) + ex::kLocated + "\rAll Files: 1  Facility Files: 1" + ex::kCompleted +
                               listingShownHere(listingPath, std::string(ex::kHeading) + ex::kFormatExplanation +
                                                                 record(host() + native("/A/scenery/bad.bgl"), false) +
                                                                 "\r\n") +
                               ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 2);
}

TEST_F(EndToEnd, ScannedFilesAreLeftByteForByteUnchanged) {
  install.config({{areaSection(1), "A"}})
      .file("A/scenery/bad.bgl", faultyFacilityFile())
      .file("A/scenery/geopol01.bgl", withCrc32(soundFacilityFile(), 0x1234))
      .file("A/scenery/plain.bgl", plainBglFile(70000));
  std::map<fs::path, std::string> before;
  for (const auto& entry : fs::recursive_directory_iterator(install.host() / "A")) {
    if (entry.is_regular_file()) before[entry.path()] = readText(entry.path());
  }
  run();
  std::map<fs::path, std::string> after;
  for (const auto& entry : fs::recursive_directory_iterator(install.host() / "A")) {
    if (entry.is_regular_file()) after[entry.path()] = readText(entry.path());
  }
  EXPECT_EQ(before.size(), 3U);
  EXPECT_TRUE(before == after);
}

}  // namespace
