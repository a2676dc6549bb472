// --restore and --undo, whole runs of the program under test (the Linux
// build, or the Windows build under Wine): the bytes of every file before and
// after, the backup folder and its list, read-only files, the verdict of the
// scan that follows, and an undo that leaves a file changed since.

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "checks/crc32.h"
#include "e2e_fixture.h"

namespace {

using namespace e2e;

std::string crcText(const Bytes& bytes) {
  checks::FileBytes inMemory(bytes);
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(checks::fileCrc32(inMemory)));
  return text;
}

bool isReadOnly(const fs::path& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
}

void makeReadOnly(const fs::path& path, bool readOnly) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

class Restore : public EndToEnd {
 protected:
  // Area 1: a stock file with a bad checksum (read-only, as copied from a CD)
  // and a stock file without a reference value with a broken section, both
  // with verified originals in the place; a stock file with none; and an
  // add-on file in area 2.
  void SetUp() override {
    badGeopol = withCrc32(soundFacilityFile(), 0x1C7B948D);
    badGeopol[20] ^= 0x40;
    goodGeopol = withCrc32(soundFacilityFile(), 0x1C7B948D);
    install.config({{areaSection(1), "Scenery\\World"}, {areaSection(2), "Addon"}})
        .file("Scenery/World/scenery/geopol12.bgl", badGeopol)
        .file("Scenery/World/scenery/eurnwafd.bgl", faultyFacilityFile())
        .file("Scenery/World/scenery/way004.bgl", Bytes{})
        .file("Scenery/World/scenery/field.bgl", soundFacilityFile())
        .file("Addon/scenery/addon1.bgl", faultyFacilityFile());
    makeReadOnly(install.host() / "Scenery/World/scenery/geopol12.bgl", true);
    writeBytes(place() / "Disc" / "kept copy.bgl", goodGeopol);
    writeBytes(place() / "eurnwafd.bgl", soundFacilityFile());
    before = contents();
  }
  void TearDown() override { makeReadOnly(install.host() / "Scenery/World/scenery/geopol12.bgl", false); }

  fs::path place() const { return temp.path() / "CD"; }
  fs::path scenery() const { return install.host() / "Scenery/World/scenery"; }
  std::string sceneryText() const { return host() + native("/Scenery/World/scenery/"); }
  fs::path backups() const { return install.tools() / "Trawlex backups"; }
  // Every file of the test's folder but the program and the listing, by path.
  std::map<std::string, std::string> contents() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(temp.path())) {
      const std::string name = entry.path().filename().string();
      if (entry.is_regular_file() && name != "FileList.txt" && name.find("trawlex") == std::string::npos) {
        files[fs::relative(entry.path(), temp.path()).generic_string()] = readText(entry.path());
      }
    }
    return files;
  }
  std::vector<fs::path> backupFolders() const {
    std::vector<fs::path> folders;
    if (fs::exists(backups())) {
      for (const auto& entry : fs::directory_iterator(backups())) folders.push_back(entry.path());
    }
    std::sort(folders.begin(), folders.end());
    return folders;
  }
  static std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

  Bytes badGeopol;
  Bytes goodGeopol;
  std::map<std::string, std::string> before;
};

TEST_F(Restore, VerifiedOriginalsReplaceTheBadFilesWhichTheBackupKeepsAndUndoPutsBack) {
  const std::string placeText = native(place().string());
  const ProgramRun restored = runWithArguments({"--restore", placeText});
  ASSERT_EQ(backupFolders().size(), 1U) << restored.output;
  const fs::path folder = backupFolders()[0];
  const std::string folderText = native(fs::canonical(folder).string());
  const std::string geopol = sceneryText() + "geopol12.bgl";
  const std::string eurnwafd = sceneryText() + "eurnwafd.bgl";
  EXPECT_NE(restored.output.find("\r\nRestoring the bad stock files from their verified originals:\r\n"
                                 "  The bad files are kept in " +
                                 folderText + "\r\n  Restored: " + eurnwafd + "\r\n  Restored: " + geopol +
                                 "\r\n\r\nChecking again after the restore:\r\n\r\nFS2002 located"),
            std::string::npos)
      << restored.output;
  // The scan after the restore finds what no original could mend, and rewrites the listing;
  // the last lines tell the outcome in numbers.
  EXPECT_TRUE(restored.output.ends_with(
      "\r\nRestore: 2 stock file(s) restored; 1 not restored (1 without a verified original, 0 that could not be\r\n"
      "replaced, as told above).\r\n1 add-on file(s) still bad: remove them, or reinstall the add-ons that brought "
      "them.\r\n" + std::string(ex::kPrompt)))
      << restored.output;
  EXPECT_EQ(restored.exitStatus, 1);
  EXPECT_EQ(listing(), std::string(ex::kHeading) + ex::kFormatExplanation + record(host() + native("/Addon/scenery/addon1.bgl"), false) +
                           record(sceneryText() + "way004.bgl", true) + "\r\n");

  std::map<std::string, std::string> expected = before;
  expected["FS2002/Scenery/World/scenery/geopol12.bgl"] = text(goodGeopol);
  expected["FS2002/Scenery/World/scenery/eurnwafd.bgl"] = text(soundFacilityFile());
  const std::string kept = "FS2002/Tools/Trawlex backups/" + folder.filename().string() + "/";
  expected[kept + "1 eurnwafd.bgl"] = text(faultyFacilityFile());
  expected[kept + "2 geopol12.bgl"] = text(badGeopol);
  std::map<std::string, std::string> after = contents();
  const std::string manifest = after[kept + "manifest.txt"];
  after.erase(kept + "manifest.txt");
  EXPECT_EQ(after, expected);
  // The restored file keeps the mark its old one had.
  EXPECT_TRUE(isReadOnly(scenery() / "geopol12.bgl"));
  EXPECT_TRUE(manifest.starts_with("Trawlex restore 2\n")) << manifest;
  EXPECT_NE(manifest.find("\nrestore\t1\n"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("\nstate\trestored\n"), std::string::npos) << manifest;
  const std::string size = std::to_string(goodGeopol.size());
  EXPECT_NE(manifest.find("\nfile\t2 geopol12.bgl\t" + crcText(badGeopol) + "\t" + size + "\t1C7B948D\t" + size +
                          "\tread-only\tScenery\\World\\scenery\\geopol12.bgl\t" + native(place().string()) +
                          native("/Disc/kept copy.bgl") + "\n"),
            std::string::npos)
      << manifest;

  // The undo puts back the old bytes and the read-only mark, and keeps the backup.
  ProgramRun undone = runWithArguments({"--undo"});
  EXPECT_EQ(undone.output, std::string(ex::kBanner) + "\r\nUndoing the restore kept in " + folderText +
                               ":\r\n  Put back: " + eurnwafd + "\r\n  Put back: " + geopol +
                               "\r\nThe restore is undone; its backup folder stays.\r\n" +
                               "\r\nUndo: 2 file(s) put back; 0 left as they were.\r\n" + ex::kPrompt);
  EXPECT_EQ(undone.exitStatus, 0);
  after = contents();
  EXPECT_NE(after[kept + "manifest.txt"].find("state\tundone\n"), std::string::npos);
  after.erase(kept + "manifest.txt");
  expected = before;
  expected[kept + "1 eurnwafd.bgl"] = text(faultyFacilityFile());
  expected[kept + "2 geopol12.bgl"] = text(badGeopol);
  EXPECT_EQ(after, expected);
  EXPECT_TRUE(isReadOnly(scenery() / "geopol12.bgl"));
  undone = runWithArguments({"--undo"});
  EXPECT_EQ(undone.output, std::string(ex::kBanner) + "\r\nThere is no restore to undo.\r\n" + ex::kPrompt);
  EXPECT_EQ(undone.exitStatus, 0);
}

// A file changed after the restore is left and named, the others are put
// back; the restore stays open for another undo. (The place is named
// relative to the folder the program starts in, which is not its own.)
TEST_F(Restore, UndoLeavesAFileChangedSinceTheRestore) {
  const ProgramRun restored = runWithArguments({"--restore", "CD"});
  ASSERT_EQ(restored.exitStatus, 1) << restored.output;
  makeReadOnly(scenery() / "eurnwafd.bgl", false);
  writeBytes(scenery() / "eurnwafd.bgl", plainBglFile(100));
  const ProgramRun undone = runWithArguments({"--undo"});
  EXPECT_NE(undone.output.find("  Changed since the restore, left as it is: " + sceneryText() +
                               "eurnwafd.bgl\r\n  Put back: " + sceneryText() +
                               "geopol12.bgl\r\nThe restore is not undone: the files above that were left keep it "
                               "open.\r\n"),
            std::string::npos)
      << undone.output;
  EXPECT_EQ(undone.exitStatus, 2);
  EXPECT_EQ(readText(scenery() / "eurnwafd.bgl"), text(plainBglFile(100)));
  EXPECT_EQ(readText(scenery() / "geopol12.bgl"), text(badGeopol));
}

// With no verified original anywhere, nothing is written but the listing.
TEST_F(Restore, NothingToRestoreChangesNothing) {
  const ProgramRun result = runWithArguments({"--restore", native((temp.path() / "Empty").string())});
  EXPECT_NE(result.output.find(std::string("\r\nRestoring the bad stock files from their verified originals:\r\n"
                                           "  No bad stock file has a verified original: nothing was changed.\r\n") +
                               "\r\nRestore: 0 stock file(s) restored; 3 not restored (3 without a verified original, 0 "
                               "that could not be\r\nreplaced, as told above).\r\n" +
                               "1 add-on file(s) still bad: remove them, or reinstall the add-ons that brought them.\r\n" +
                               std::string(ex::kPrompt)),
            std::string::npos)
      << result.output;
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(contents(), before);
  EXPECT_FALSE(fs::exists(backups()));
}

// Every place is accounted for: one that does not exist and a file that is
// neither a cabinet nor a BGL file are named so, not passed off as searched.
TEST_F(Restore, PlacesThatAreNeitherAFolderNorACabinetAreNamedSo) {
  writeText(temp.path() / "notes.txt", "not a CD");
  const std::string missing = native((temp.path() / "NoSuchCD").string());
  const std::string notes = native((temp.path() / "notes.txt").string());
  const ProgramRun result = runWithArguments({"--originals", missing, notes, native(place().string())});
  EXPECT_NE(result.output.find(sceneryText() + "way004.bgl  (Stock file)\r\n  No verified original was found. Searched:\r\n"
                               "    " + sceneryText() + "\r\n    " + missing + " (it does not exist)\r\n    " + notes +
                               " (it is neither a folder nor a cabinet)\r\n    " + native(place().string()) + "\r\n"),
            std::string::npos)
      << result.output;
  std::map<std::string, std::string> expected = before;
  expected["notes.txt"] = "not a CD";
  EXPECT_EQ(contents(), expected);
}

// A stock file that holds its reference CRC-32 but fails the section check
// has no better original, though an identical copy lies beside it: its
// paragraph says so and nothing is written.
TEST_F(Restore, AFileHoldingItsReferenceValueHasNoBetterOriginal) {
  const Bytes odd = withCrc32(faultyFacilityFile(), 0x1C7B948D);
  fs::remove(temp.path() / "CD" / "Disc" / "kept copy.bgl");
  makeReadOnly(scenery() / "geopol12.bgl", false);
  writeBytes(scenery() / "geopol12.bgl", odd);
  writeBytes(scenery() / "geopol12 copy.bgl", odd);
  writeBytes(place() / "geopol12.bgl", odd);
  const std::map<std::string, std::string> unchanged = contents();
  const ProgramRun result = runWithArguments({"--restore", native(place().string())});
  EXPECT_NE(result.output.find(sceneryText() + "geopol12.bgl  (Stock file)\r\n  It holds the reference CRC-32 of this "
                               "stock file already, 1C7B948D: no copy can be a better original, and nothing is "
                               "restored.\r\n"),
            std::string::npos)
      << result.output;
  EXPECT_EQ(result.output.find("Restored: " + sceneryText() + "geopol12.bgl"), std::string::npos) << result.output;
  std::map<std::string, std::string> after = contents();
  EXPECT_EQ(after["FS2002/Scenery/World/scenery/geopol12.bgl"], unchanged.at("FS2002/Scenery/World/scenery/geopol12.bgl"));
}

}  // namespace
