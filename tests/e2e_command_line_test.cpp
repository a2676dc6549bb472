// Whole runs with arguments: --explain, files named on the command line,
// --help and --version, and command lines that must change nothing.

#include <cstdio>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace {

using namespace e2e;

std::string hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// What each bad file's paragraph ends with, in the file form.
constexpr const char* kStockAdvice =
    "  What to do: trawlex --originals finds a verified original on the CD, trawlex --restore puts it in place.\r\n";
constexpr const char* kAddOnAdvice = "  What to do: remove it, or reinstall the add-on that brought it.\r\n";

// The faulty builder file: 3 entries and the terminator after them, 4 announced.
constexpr const char* kCountLine =
    "  Format error: entry count not as announced, 3 entries counted, 4 announced (file offset 0x000000FC)\r\n";

class CommandLine : public EndToEnd {
 protected:
  // Area 1 holds an altered stock file, a faulty add-on and a texture; area 2
  // only textures, no scenery folder.
  void layOutAreas() {
    altered = withCrc32(soundFacilityFile(), 0x6C40A47E);
    altered[20] ^= 0x40;
    install.config({{areaSection(1), "Scenery\\World"}, {areaSection(2), "Addon\\Gone"}})
        .file("Scenery/World/scenery/geopol07.bgl", altered)
        .file("Scenery/World/scenery/addon1.bgl", faultyFacilityFile())
        .file("Scenery/World/scenery/texture.bgl", plainBglFile(300))
        .file("Addon/Gone/texture/sky.bmp", Bytes{1});
  }
  std::string scenery() const { return host() + native("/Scenery/World/scenery/"); }
  static std::string paragraph(const std::string& path, const std::string& lines) {
    return path + "\r\n" + lines + "\r\n";
  }

  Bytes altered;
};

// An option Trawlex does not know is refused in one line, before anything
// is looked for or written: a mistyped --restore must not pass for a scan.
TEST_F(CommandLine, UnknownOptionsAreRefusedAndNothingIsRun) {
  layOutAreas();
  for (const auto& arguments : std::vector<std::vector<std::string>>{{"--restor"}, {"-x", "geopol07.bgl"}, {"--", "-"}}) {
    const ProgramRun result = runWithArguments(arguments);
    EXPECT_EQ(result.output, "Unknown option " + arguments[0] + ": trawlex --help lists the options.\r\n");
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_FALSE(fs::exists(install.tools() / "FileList.txt"));
  }
  for (const char* help : {"/?", "-?", "-h"}) {
    EXPECT_EQ(runWithArguments({help}).output, std::string(ex::kVersionLine) + ex::kUsage) << help;
  }
}

TEST_F(CommandLine, ExplainTellsTheAreasAndWhyEachFileFailedBeforeThePrompt) {
  layOutAreas();
  const ProgramRun plain = run();
  const std::string plainListing = listing();
  fs::remove(install.tools() / "FileList.txt");
  const ProgramRun result = runWithArguments({"--explain"});
  const std::string explanation =
      std::string(ex::kAreasHeading) + "  Area.001  " + scenery() + "  3 .bgl file(s), 2 facility file(s)\r\n" +
      "  Area.002  " + host() + native("/Addon/Gone/scenery/") + "  folder does not exist\r\n" +
      ex::kBadFilesHeading + record(scenery() + "addon1.bgl", false) + kCountLine +
      record(scenery() + "geopol07.bgl", true) + "  Abnormal checksum: " + hex8(referenceCrc32(altered)) +
      ", expected 6C40A47E\r\n";
  const std::string prompt = ex::kPrompt;
  ASSERT_EQ(plain.output.substr(plain.output.size() - prompt.size()), prompt);
  EXPECT_EQ(result.output, plain.output.substr(0, plain.output.size() - prompt.size()) + explanation + prompt);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(listing(), plainListing);
}

TEST_F(CommandLine, ExplainOfACleanRunListsTheAreasOnlyEachWithItsOwnCounts) {
  install.config({{areaSection(7), "Scenery\\World"}, {areaSection(9), "Addon"}})
      .file("Scenery/World/scenery/myfield.bgl", soundFacilityFile())
      .file("Scenery/World/scenery/texture.bgl", plainBglFile(300))
      .file("Addon/scenery/other.bgl", soundFacilityFile());
  const ProgramRun result = runWithArguments({"--explain"});
  EXPECT_EQ(result.output, std::string(ex::kBanner) + ex::kLocated + "\rAll Files: 3  Facility Files: 2" +
                               ex::kCompleted + ex::kVerdictClean + ex::kAreasHeading + "  Area.007  " + scenery() +
                               "  2 .bgl file(s), 1 facility file(s)\r\n" + "  Area.009  " + host() +
                               native("/Addon/scenery/") + "  1 .bgl file(s), 1 facility file(s)\r\n" + ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 0);
}

// --explain also tells, by line, what the walk reads otherwise than FS2002
// loads it; and why a stock file with a destroyed header is bad, in the
// explanation as in its own paragraph.
TEST_F(CommandLine, ExplainNotesTheConfigurationByLineAndStockFilesWithoutAHeader) {
  writeText(install.host() / "Scenery.cfg",
            "[Area.001]\r\nLocal=Scenery\\World\r\nActive=FALSE\r\n"
            "[Area.10]\r\nLocal=Addon\\Ten\r\n"
            "[Area.002]\r\nLocal=scenery\\world\r\n"
            "[Area.001]\r\nLocal=Elsewhere\r\n");
  install.file("Scenery/World/scenery/way004.bgl", Bytes{});
  const std::string configPath = host() + native("/Scenery.cfg");
  const std::string way004 = scenery() + "way004.bgl";
  const std::string reason =
      "  Format error: the name is a stock facility file's, but the header is not a facility header\r\n";
  ProgramRun result = runWithArguments({"--explain"});
  // The area shows its folder as built; a record, the path that was opened:
  // on Windows the configuration's own spelling, elsewhere the one on disk,
  // where both areas' records are then one file's, with a reason each.
  const std::string second = host() + native("/scenery/world/scenery/");
  const std::string badFiles = windowsBuild() ? record(second + "way004.bgl", true) + reason + record(way004, true) + reason
                                              : record(way004, true) + reason + reason;
  EXPECT_EQ(result.output,
            std::string(ex::kBanner) + ex::kLocated + "\rAll Files: 2  Facility Files: 0" + ex::kCompleted +
                ex::kVerdictBadStock + ex::kAreasHeading + "  Area.001  " + scenery() +
                "  1 .bgl file(s), 0 facility file(s)\r\n" + "  Area.002  " + second +
                "  1 .bgl file(s), 0 facility file(s)\r\n" + "\r\nIn " + configPath +
                ", read otherwise than FS2002 loads it:\r\n" +
                "  line 3: [Area.001] Active=FALSE  scanned, though FS2002 does not load it\r\n" +
                "  line 4: [Area.10] Local=Addon\\Ten  never read: areas are read as Area.001 to Area.399\r\n" +
                "  line 6: [Area.002]  its folder was scanned before, for Area.001: its files are counted again\r\n" +
                "  line 8: [Area.001]  repeated: only the one at line 1 is read\r\n" + ex::kBadFilesHeading + badFiles +
                ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 1);
  result = runWithArguments({way004});
  EXPECT_EQ(result.output,
            std::string(ex::kBanner) +
                paragraph(way004, "  Not a facility BGL file (Stock file)\r\n" + reason + kStockAdvice) + ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 1);
}

// --originals: after the usual scan (same dialogue, same listing, same
// status, without the paragraph that tells of --originals), a paragraph per
// bad file: a verified original beside it under
// another name (its CRC-32 is the reference value) or in the place named,
// below decoys (the same name with a broken section); none for an add-on
// file; and where the search looked when nothing was found. Nothing is written
// but the listing.
TEST_F(CommandLine, OriginalsAreFoundVerifiedBesideTheFileOrInThePlacesNamed) {
  Bytes changed = withCrc32(soundFacilityFile(), 0x1C7B948D);
  changed[20] ^= 0x40;
  install.config({{areaSection(1), "Scenery\\World"}, {areaSection(2), "Addon"}})
      .file("Scenery/World/scenery/geopol12.bgl", changed)
      .file("Scenery/World/scenery/geopol12.old", withCrc32(soundFacilityFile(), 0x12345678))
      .file("Scenery/World/scenery/geopol12.bak", withCrc32(soundFacilityFile(), 0x1C7B948D))
      .file("Scenery/World/scenery/eurnwafd.bgl", faultyFacilityFile())
      .file("Scenery/World/scenery/way004.bgl", Bytes{})
      .file("Addon/scenery/addon1.bgl", faultyFacilityFile());
  const fs::path place = temp.path() / "CD";
  writeBytes(place / "A" / "EURNWAFD.BGL", faultyFacilityFile());
  writeBytes(place / "A" / "other.bgl", soundFacilityFile());
  writeBytes(place / "B" / "C" / "eurnwafd.bgl", soundFacilityFile());
  writeText(place / "B" / "notes.txt", "not a candidate");
  const std::string placeText = native(place.string());
  const ProgramRun plain = run();
  const std::string plainListing = listing();
  const ProgramRun result = runWithArguments({"--originals", placeText});
  EXPECT_EQ(result.exitStatus, plain.exitStatus);
  const std::string hint = ex::kCureHint;
  ASSERT_TRUE(plainListing.ends_with(hint));
  EXPECT_EQ(listing(), plainListing.substr(0, plainListing.size() - hint.size()));
  const std::string prompt = ex::kPrompt;
  ASSERT_TRUE(plain.output.ends_with(hint + prompt));
  const std::string folder = scenery();
  const std::string notFound = "  No verified original was found. Searched:\r\n    " + folder + "\r\n    " + placeText + "\r\n";
  EXPECT_EQ(result.output,
            plain.output.substr(0, plain.output.size() - hint.size() - prompt.size()) +
                "\r\nOriginals of the bad files:\r\n" + "\r\n" + record(host() + native("/Addon/scenery/addon1.bgl"), false) +
                "  An add-on file has no original: remove it, or reinstall the add-on that brought it.\r\n" +
                "\r\n" + record(folder + "way004.bgl", true) + notFound + "\r\n" + record(folder + "eurnwafd.bgl", true) +
                "  Verified original: " + placeText + native("/B/C/eurnwafd.bgl") + "\r\n" +
                "  Verified by its name: no reference checksum; its facility section is sound.\r\n" + "\r\n" +
                record(folder + "geopol12.bgl", true) + "  Verified original: " + folder + "geopol12.bak\r\n" +
                "  Verified by its CRC-32, 1C7B948D, the reference value of this stock file.\r\n" +
                // Only its checksum is off: the change may have been wanted.
                "  Its facility section is sound: it may have been changed on purpose (an update of its navaids, an\r\n"
                "  editor's work). A restore puts back FS2002's own copy, and trawlex --undo takes that back.\r\n" +
                prompt);
  EXPECT_EQ(fs::file_size(place / "A" / "EURNWAFD.BGL"), faultyFacilityFile().size());
}

TEST_F(CommandLine, NamedFilesGetAParagraphEachWithoutLookingForAnInstallation) {
  fs::remove(install.host() / "SCENEDB");  // no installation to be found
  const fs::path folder = temp.path() / "dropped files";
  writeBytes(folder / "geopol07.bgl", withCrc32(soundFacilityFile(), 0x6C40A47E));
  writeBytes(folder / "addon1.bgl", faultyFacilityFile());
  writeBytes(folder / "texture.bgl", plainBglFile(300));
  const std::string stock = native((folder / "geopol07.bgl").string());
  const std::string faulty = native((folder / "addon1.bgl").string());
  const std::string texture = native((folder / "texture.bgl").string());
  const std::string missing = native((folder / "missing.bgl").string());
  const std::string stockParagraph =
      paragraph(stock, "  Facility BGL file (Stock file)\r\n  Checksum 6C40A47E, as expected\r\n" +
                           std::string(ex::kNoFormatErrorsFound));
  const std::string faultyParagraph =
      paragraph(faulty, std::string("  Facility BGL file (Add-on file)\r\n") + kCountLine + kAddOnAdvice);
  const std::string textureParagraph = paragraph(texture, "  Not a facility BGL file: nothing to check\r\n");

  ProgramRun result = runWithArguments({stock, "--explain", faulty, texture, missing});
  EXPECT_EQ(result.output, std::string(ex::kBanner) + stockParagraph + faultyParagraph + textureParagraph +
                               paragraph(missing, "  ERROR: No such file\r\n") + ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 2);
  result = runWithArguments({faulty, stock});
  EXPECT_EQ(result.output, std::string(ex::kBanner) + faultyParagraph + stockParagraph + ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 1);
  result = runWithArguments({texture, stock}, Input::AtEnd);
  EXPECT_EQ(result.output, std::string(ex::kBanner) + textureParagraph + stockParagraph + ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_FALSE(fs::exists(install.tools() / "FileList.txt"));
  EXPECT_FALSE(fs::exists(temp.path() / "FileList.txt"));
}

// A folder dropped on the program checks every .bgl file in it and its
// subfolders, in the file form; one that holds none says so.
TEST_F(CommandLine, ANamedFolderChecksEveryBglFileBelowIt) {
  fs::remove(install.host() / "SCENEDB");
  const fs::path folder = temp.path() / "Dropped";
  writeBytes(folder / "a.bgl", faultyFacilityFile());
  writeBytes(folder / "Sub" / "B.BGL", plainBglFile(300));
  writeBytes(folder / "Sub" / "readme.txt", Bytes{'h'});
  fs::create_directories(temp.path() / "Empty" / "Deeper");
  const std::string dropped = native(folder.string());
  const std::string empty = native((temp.path() / "Empty").string());
  const ProgramRun result = runWithArguments({dropped, empty});
  EXPECT_EQ(result.output, std::string(ex::kBanner) +
                               paragraph(dropped + native("/a.bgl"),
                                         std::string("  Facility BGL file (Add-on file)\r\n") + kCountLine + kAddOnAdvice) +
                               paragraph(dropped + native("/Sub/B.BGL"), "  Not a facility BGL file: nothing to check\r\n") +
                               paragraph(empty, "  No BGL file in this folder or its subfolders\r\n") + ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(CommandLine, EachRuleOfTheSectionIsNamedInPlainWords) {
  const std::vector<std::string> rules = {
      "the section's lead-in is cut short (file offset 0x000000A8)",
      "a directory entry's head is cut short (directory entry 2, file offset 0x000000D4)",
      "a directory entry is cut short of its type, target offset or the size it announces (directory entry 1, "
      "file offset 0x000000C0)",
      "a linked block's head is cut short (directory entry 1, file offset 0x000000DC)",
      "a block record's head is cut short (directory entry 1, file offset 0x000000FC)",
      "wrong directory entry identifier, 0x00030003 found, 0x00030002 expected (directory entry 1, file offset "
      "0x000000C0)",
      "directory entry size below 8, 4 found, at least 8 expected (directory entry 1, file offset 0x000000C0)",
      "target offset 0 in an entry that must point somewhere (directory entry 1, file offset 0x000000C0)",
      "wrong linked block kind, 0x00000002 found, 0x00000001 expected (directory entry 1, file offset 0x000000DC)",
      "linked block of length 0 (directory entry 1, file offset 0x000000DC)",
      "block terminator not at the block's length, terminator at block +32, block length 48 (directory entry 1, "
      "file offset 0x000000FC)",
      "no marker record with content before the block's terminator (directory entry 1, file offset 0x000000DC)",
      "directory terminator with a size other than 0, size 4 found, 0 expected (file offset 0x000000D4)",
      "entry count not as announced, 3 entries counted, 4 announced (file offset 0x000000FC)",
      "a block record whose size would move the walk back or not at all (directory entry 1, file offset "
      "0x000000FC)",
      "a position from 2 GiB on, beyond what a seek reaches (file offset 0x80000000)",
  };
  const std::vector<Bytes> files = filesBreakingEachRule();
  ASSERT_EQ(files.size(), rules.size());
  std::vector<std::string> paths;
  std::string expected = ex::kBanner;
  for (std::size_t i = 0; i < files.size(); ++i) {
    paths.push_back(native((temp.path() / ("rule" + std::to_string(i) + ".bgl")).string()));
    writeBytes(paths.back(), files[i]);
    expected += paragraph(paths.back(),
                          "  Facility BGL file (Add-on file)\r\n  Format error: " + rules[i] + "\r\n" + kAddOnAdvice);
  }
  const ProgramRun result = runWithArguments(paths);
  EXPECT_EQ(result.output, expected + ex::kPrompt);
  EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(CommandLine, HelpAndVersionAnswerAtOnceWithoutWaiting) {
  layOutAreas();
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--help"}, {"-x", "--help", "--version"}}) {
    const ProgramRun result = runWithArguments(arguments);
    EXPECT_EQ(result.output, std::string(ex::kVersionLine) + ex::kUsage);
    EXPECT_EQ(result.exitStatus, 0);
  }
  const ProgramRun version = runWithArguments({"--version", native((install.tools() / "trawlex").string())});
  EXPECT_EQ(version.output, ex::kVersionLine);
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_FALSE(fs::exists(install.tools() / "FileList.txt"));
}

}  // namespace
