// Whole runs of the Linux build on installations as they sit on Linux disks:
// inside a Wine prefix (found around the program, through WINEPREFIX or in
// ~/.wine), with drive-letter paths in the registry and in Scenery.cfg, with
// names that differ only in letter case, and with pipes and devices where
// Scenery.cfg and FileList.txt should be.

#include <sys/stat.h>
#include <unistd.h>

#include "e2e_fixture.h"
#include "support/cabinet_builder.h"
#include "support/prefix_builder.h"

namespace {

using namespace e2e;

// An installation on drive C of a 64-bit Wine prefix.
class PrefixRun : public ::testing::Test {
 protected:
  // Runs the program from `programFolder` (the Tools folder when empty) with `environment`.
  ProgramRun run(const fs::path& programFolder = {}, std::vector<std::string> environment = {}) {
    fs::path program = install.installProgram(TRAWLEX_PROGRAM);
    if (!programFolder.empty()) {
      fs::create_directories(programFolder);
      fs::rename(program, programFolder / program.filename());
      program = programFolder / program.filename();
    }
    if (environment.empty()) environment = {"WINEPREFIX=", "HOME=" + (temp.path() / "nobody").string()};
    return runProgram(program, temp.path(), Input::Closed, {}, environment);
  }
  // Runs the program from the Tools folder with `arguments`.
  ProgramRun runArguments(const std::vector<std::string>& arguments) {
    const fs::path program = install.installProgram(TRAWLEX_PROGRAM);
    return runProgram(program, temp.path(), Input::Closed, {},
                      {"WINEPREFIX=", "HOME=" + (temp.path() / "nobody").string()}, arguments);
  }
  std::string listingIn(const fs::path& folder) const { return readText(folder / "FileList.txt"); }
  std::string driveC() const { return fs::canonical(prefix.driveC()).string(); }
  static std::string badListing(const std::vector<std::string>& paths) {
    std::string text = std::string(ex::kHeading) + ex::kFormatExplanation;
    for (const std::string& path : paths) text += path + "  (Add-on file)\r\n";
    return text + "\r\n";
  }

  TempDir temp;
  PrefixBuilder prefix{temp.path() / "prefix", true};
  InstallBuilder install{prefix.driveC()};
};

TEST_F(PrefixRun, RegistryAndAbsoluteLocalValuesLeadThroughTheDriveLetters) {
  fs::remove(install.host() / "SCENEDB");  // found through the registry alone
  prefix.exePath("C:\\FS2002\\ ");
  const fs::path outside = fs::canonical(temp.path()) / "Outside Addon";
  writeBytes(outside / "scenery" / "z.bgl", faultyFacilityFile());
  install.config({{areaSection(1), "Scenery\\World"},
                  {areaSection(2), "C:\\FS2002\\Addon Scenery\\XYZ"},
                  {areaSection(3), "Z:" + outside.string()},
                  {areaSection(4), "D:\\No Drive D\\Here"},
                  {areaSection(5), "c:/fs2002/addon scenery/xyz"}})
      .file("Scenery/World/scenery/world.bgl", faultyFacilityFile())
      .file("Addon Scenery/XYZ/scenery/xyz.bgl", faultyFacilityFile());
  const ProgramRun result = run();
  // Drive D: is not mapped: its area is named as not checked, and the run fails.
  EXPECT_EQ(result.exitStatus, 2);
  const std::string host = driveC() + "/FS2002";
  // The folder part in its spelling on disk, the file name lower-cased.
  EXPECT_EQ(listingIn(install.tools()),
            badListing({host + "/Addon Scenery/XYZ/scenery/xyz.bgl", outside.string() + "/scenery/z.bgl",
                        host + "/Addon Scenery/XYZ/scenery/xyz.bgl", host + "/Scenery/World/scenery/world.bgl"}) +
                ex::kUnreadExplanation + "D:\\No Drive D\\Here\\  (the folder does not exist)\r\n");
}

TEST_F(PrefixRun, ProgramOutsideThePrefixFindsItThroughWinePrefixOrHome) {
  prefix.exePath("C:\\FS2002");
  install.config({{areaSection(1), "A"}}).file("A/scenery/a.bgl", faultyFacilityFile());
  const fs::path bin = temp.path() / "bin";
  const std::string expected = badListing({driveC() + "/FS2002/A/scenery/a.bgl"});
  EXPECT_EQ(run(bin, {"WINEPREFIX=" + prefix.folder().string(), "HOME=/nonexistent"}).exitStatus, 1);
  EXPECT_EQ(listingIn(bin), expected);

  TempDir home;
  fs::create_directory_symlink(prefix.folder(), home.path() / ".wine");
  fs::remove(bin / "FileList.txt");
  EXPECT_EQ(run(bin, {"WINEPREFIX=", "HOME=" + home.path().string()}).exitStatus, 1);
  EXPECT_EQ(listingIn(bin), expected);

  // No prefix there: no registry, no drive C, no host folder.
  fs::remove(bin / "FileList.txt");
  const ProgramRun none = run(bin, {"WINEPREFIX=" + (temp.path() / "bin").string(), "HOME=" + home.path().string()});
  EXPECT_EQ(none.output, std::string(ex::kBanner) + ex::kNoHostFolder + ex::kPrompt);
  EXPECT_EQ(none.exitStatus, 2);
}

TEST_F(PrefixRun, DefaultInstallPathIsLookedForOnDriveC) {
  InstallBuilder atDefault{prefix.driveC() / "Program Files" / "Microsoft Games"};
  atDefault.config({{areaSection(1), "A"}}).file("A/scenery/a.bgl", faultyFacilityFile());
  const fs::path bin = temp.path() / "bin";
  EXPECT_EQ(run(bin, {"WINEPREFIX=" + prefix.folder().string()}).exitStatus, 1);
  EXPECT_EQ(listingIn(bin), badListing({driveC() + "/Program Files/Microsoft Games/FS2002/A/scenery/a.bgl"}));
}

TEST_F(PrefixRun, RegistryPathLeadingNowhereFallsBackToTheParentFolder) {
  prefix.exePath("Q:\\FS2002");
  install.config({{areaSection(1), "A"}}).file("A/scenery/a.bgl", faultyFacilityFile());
  EXPECT_EQ(run().exitStatus, 1);
  EXPECT_EQ(listingIn(install.tools()), badListing({fs::canonical(install.tools()).string() + "/../A/scenery/a.bgl"}));
}

// "D:", as Windows users name the CD drive, is the root of the folder that
// the prefix's drive D: maps, not a folder "D:" beside the program.
TEST_F(PrefixRun, ADriveLetterAloneIsThatDrivesRoot) {
  prefix.exePath("C:\\FS2002");
  const Bytes original = withCrc32(soundFacilityFile(), 0x1C7B948D);
  Bytes changed = original;
  changed[20] ^= 0x40;
  install.config({{areaSection(1), "A"}}).file("A/scenery/geopol12.bgl", changed);
  const fs::path cd = temp.path() / "cdrom";
  writeBytes(cd / "Scenery" / "geopol12.bgl", original);
  prefix.drive('d', cd);
  const ProgramRun result = runArguments({"--originals", "D:"});
  EXPECT_NE(result.output.find("  Verified original: " + fs::canonical(cd).string() + "/Scenery/geopol12.bgl\r\n"),
            std::string::npos)
      << result.output;
  EXPECT_EQ(result.exitStatus, 1);
}

// A place is found in any letter case, as Windows finds it: a cabinet typed
// in lower case is the cabinet on disk, not a folder that is not there.
TEST_F(EndToEnd, APlaceIsFoundInAnyLetterCase) {
  const Bytes original = withCrc32(soundFacilityFile(), 0x1C7B948D);
  Bytes changed = original;
  changed[20] ^= 0x40;
  install.config({{areaSection(1), "A"}}).file("A/scenery/geopol12.bgl", changed);
  const fs::path disc = fs::canonical(temp.path()) / "Disc";
  makeCabinet(disc / "FS2002.CAB", {{"scenery/geopol12.bgl", original}}, testsupport::Compression::Mszip);
  const ProgramRun result = runWithArguments({"--originals", (fs::canonical(temp.path()) / "disc" / "fs2002.cab").string()});
  EXPECT_NE(result.output.find("  Verified original: scenery\\geopol12.bgl, in the cabinet " + disc.string() +
                               "/FS2002.CAB\r\n"),
            std::string::npos)
      << result.output;
}

TEST_F(EndToEnd, NamesDifferingOnlyInLetterCaseAreEachCheckedAndListedAsTheyAre) {
  install.config({{areaSection(1), "A"}})
      .file("A/scenery/AIRPORT.BGL", faultyFacilityFile())
      .file("A/scenery/airport.bgl", soundFacilityFile())
      .file("A/scenery/Field.bgl", soundFacilityFile())
      .file("A/scenery/FIELD.BGL", faultyFacilityFile())
      .file("A/scenery/Only.BGL", faultyFacilityFile());
  const ProgramRun result = run();
  EXPECT_EQ(result.exitStatus, 1);
  const std::string folder = host() + "/A/scenery/";
  // Each listed as on disk, so that each listed path opens the file that failed.
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation + record(folder + "Only.BGL", false) +
                           record(folder + "FIELD.BGL", false) + record(folder + "AIRPORT.BGL", false) + "\r\n");
}

TEST_F(EndToEnd, SceneryCfgThatIsNoRegularFileCannotBeRead) {
  for (int kind = 0; kind < 3; ++kind) {
    const fs::path config = install.host() / "Scenery.cfg";
    fs::remove_all(config);
    if (kind == 0) {
      ASSERT_EQ(::mkfifo(config.c_str(), 0600), 0);
    }
    if (kind == 1) fs::create_symlink("/dev/zero", config);
    if (kind == 2) fs::create_directory(config);
    const ProgramRun result = run();
    EXPECT_EQ(result.output, configError()) << kind;
    EXPECT_EQ(result.exitStatus, 2) << kind;
  }
}

TEST_F(EndToEnd, ListingThatIsAPipeOrADeviceIsNotWritten) {
  install.config({{areaSection(1), "A"}}).file("A/scenery/bad.bgl", faultyFacilityFile());
  const fs::path listingPath = install.tools() / "FileList.txt";
  for (int kind = 0; kind < 2; ++kind) {
    fs::remove(listingPath);
    if (kind == 0) {
      ASSERT_EQ(::mkfifo(listingPath.c_str(), 0600), 0);
    }
    if (kind == 1) fs::create_symlink("/dev/null", listingPath);
    const ProgramRun result = run();
    EXPECT_EQ(result.output, std::string(ex::kBanner) + ex::kLocated + "\rAll Files: 1  Facility Files: 1" + ex::kCompleted +
                                 listingShownHere(tools() + "/FileList.txt", std::string(ex::kHeading) +
                                                                                 ex::kFormatExplanation +
                                                                                 record(host() + "/A/scenery/bad.bgl", false) +
                                                                                 "\r\n") +
                                 ex::kPrompt)
        << kind;
    EXPECT_EQ(result.exitStatus, 2) << kind;
  }
}

TEST_F(EndToEnd, ListingCutShortByAFullDiskIsNotReportedAsWritten) {
  install.config({{areaSection(1), "A"}});
  for (int i = 0; i < 12; ++i) install.file("A/scenery/bad" + std::to_string(i) + ".bgl", faultyFacilityFile());
  const fs::path program = install.installProgram(TRAWLEX_PROGRAM);
  const std::string earlier = "an earlier listing\r\n";
  writeText(install.tools() / "FileList.txt", earlier);
  // Files may grow to one block and no further: the listing's writes then
  // fail as on a full disk.
  const ProgramRun result = runProgram(program, temp.path(), Input::Closed,
                                       {"/bin/bash", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\""},
                                       isolatedEnvironment());
  std::string records;
  for (int i : {9, 8, 7, 6, 5, 4, 3, 2, 11, 10, 1, 0}) records += record(host() + "/A/scenery/bad" + std::to_string(i) + ".bgl", false);
  EXPECT_EQ(result.output, std::string(ex::kBanner) + ex::kLocated + "\rAll Files: 10  Facility Files: 10\rAll Files: 12  Facility Files: 12" +
                               ex::kCompleted +
                               listingShownHere(tools() + "/FileList.txt", std::string(ex::kHeading) +
                                                                               ex::kFormatExplanation + records + "\r\n") +
                               ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 2);
  // The earlier listing stays whole, and nothing is left beside it.
  EXPECT_EQ(readText(install.tools() / "FileList.txt"), earlier);
  EXPECT_FALSE(fs::exists(install.tools() / "FileList.txt.trawlex-new"));
}

// Runs the program as a user whom permissions bind: this one, or, when the
// tests run as root (who reads everything), nobody, with the tree handed over.
ProgramRun runBoundByPermissions(const fs::path& root, const fs::path& program, const std::vector<std::string>& arguments,
                                 const std::vector<std::string>& environment) {
  std::vector<std::string> launcher;
  if (::geteuid() == 0) {
    constexpr uid_t kNobody = 65534;
    EXPECT_EQ(::lchown(root.c_str(), kNobody, kNobody), 0);
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      EXPECT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0);
    }
    launcher = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
  }
  return runProgram(program, root, Input::Closed, launcher, environment, arguments);
}

// A file or a scenery folder that is there but cannot be read is not
// checked: the listing names it at its end, the console warns, --explain
// says why, and the run fails, whatever the other files gave. A folder named
// .bgl, a pipe and a dangling link are no scenery files and stay unmentioned.
TEST_F(EndToEnd, FilesAndFoldersThatCannotBeReadAreNamedAndFailTheRun) {
  install.config({{areaSection(1), "World"}, {areaSection(2), "Addon"}, {areaSection(3), "Missing"}})
      .file("World/scenery/eurnwafd.bgl", faultyFacilityFile())
      .file("World/scenery/Locked.bgl", faultyFacilityFile())
      .file("World/scenery/fine.bgl", soundFacilityFile())
      .file("Addon/scenery/hidden.bgl", faultyFacilityFile());
  const fs::path world = install.host() / "World" / "scenery";
  fs::create_directory(world / "folder.bgl");
  ASSERT_EQ(::mkfifo((world / "pipe.bgl").c_str(), 0600), 0);
  fs::create_symlink(world / "gone", world / "dangling.bgl");
  const fs::path program = install.installProgram(TRAWLEX_PROGRAM);
  fs::permissions(world / "Locked.bgl", fs::perms::none);
  fs::permissions(install.host() / "Addon" / "scenery", fs::perms::none);
  const ProgramRun result = runBoundByPermissions(temp.path(), program, {"--explain"}, isolatedEnvironment());

  const std::string locked = host() + "/World/scenery/Locked.bgl";
  const std::string addon = host() + "/Addon/scenery/";
  const std::string eurnwafd = host() + "/World/scenery/eurnwafd.bgl";
  const std::string missing = host() + "/Missing/";
  const std::string warning = std::string(ex::kUnreadWarning) + "3" + ex::kUnreadWarningEnd;
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation + record(eurnwafd, true) + "\r\n" +
                           ex::kUnreadExplanation + locked + "\r\n" + addon + "\r\n" + missing +
                           "  (the folder does not exist)\r\n" + ex::kCureHint);
  EXPECT_EQ(result.exitStatus, 2);
  const std::string explanation =
      std::string(ex::kAreasHeading) + "  Area.001  " + host() + "/World/scenery/  2 .bgl file(s), 2 facility file(s)\r\n" +
      "  Area.002  " + addon + "  0 .bgl file(s), 0 facility file(s)\r\n" + "  Area.003  " + host() +
      "/Missing/scenery/  folder does not exist\r\n" + "\r\nNot checked, because they could not be read:\r\n" +
      "  " + locked + "  access denied\r\n" + "  " + addon + "  access denied\r\n" + "  " + missing +
      "  the folder does not exist\r\n" + ex::kBadFilesHeading +
      record(eurnwafd, true);
  EXPECT_EQ(result.output, std::string(ex::kBanner) + ex::kLocated + "\rAll Files: 2  Facility Files: 2" + ex::kCompleted +
                               ex::kVerdictBad + warning + ex::kCureHint + explanation +
                               "  Format error: entry count not as announced, 3 entries counted, 4 announced (file "
                               "offset 0x000000FC)\r\n" +
                               ex::kPrompt);
}

}  // namespace
