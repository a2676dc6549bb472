// Report: the CR LF writer, the listing file and the console verdict.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "checks/classification.h"
#include "report/listing.h"
#include "report/originals.h"
#include "report/restoring.h"
#include "report/text_out.h"
#include "support/expected_texts.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// Console output captured in a file, read back as bytes.
class CapturedConsole {
 public:
  CapturedConsole() : file_(std::fopen((dir_.path() / "console").string().c_str(), "wb")), out_(file_, false) {}
  ~CapturedConsole() {
    if (file_ != nullptr) std::fclose(file_);
  }
  report::TextOut& out() { return out_; }
  std::string text() {
    std::fflush(file_);
    return readText(dir_.path() / "console");
  }
  // Starts again with nothing captured (the same stream, emptied).
  void clear() { ASSERT_EQ(std::freopen((dir_.path() / "console").string().c_str(), "wb", file_), file_); }

 private:
  TempDir dir_;
  std::FILE* file_;
  report::TextOut out_;
};

TEST(TextOut, EveryLineFeedBecomesCrLfAndALoneCrStays) {
  CapturedConsole console;
  console.out().print("a\nb");
  console.out().print("\rAll Files: 10");
  console.out().print("\n\n");
  console.out().print("");
  EXPECT_EQ(console.text(), "a\r\nb\rAll Files: 10\r\n\r\n");
}

TEST(TextOut, FormatsLikePrintf) {
  EXPECT_EQ(report::formatText("%s  %s|%03u|%d", "p", "(Stock file)", 7U, -3), "p  (Stock file)|007|-3");
  EXPECT_EQ(report::formatText("%s", std::string(5000, 'x').c_str()).size(), 5000U);
}

// The search's progress on one line, each count overwriting the last; the end closes the line.
TEST(SearchProgressLine, CountsOverwriteEachOtherAndTheEndClosesTheLine) {
  CapturedConsole console;
  report::SearchProgressLine line(console.out());
  line.filesRead(4);
  line.filesRead(10);
  line.finished();
  EXPECT_EQ(console.text(), "\rSearching for originals: 4 file(s) read\rSearching for originals: 10 file(s) read\r\n");
}

// Every reason a restore or an undo gives, in its words, with the system's
// own where the value carries them.
TEST(RestoreWords, EveryReasonHasItsOwnWords) {
  using restore::Reason;
  const platform::FileFailure disk{platform::FileFailure::Kind::Other, "No space left on device"};
  const std::pair<restore::Failure, const char*> cases[] = {
      {{Reason::PathNotRecordable, {}, {}}, "its path holds a tab or a line end"},
      {{Reason::OwnFolderUnknown, {}, {}}, "no backup folder could be made: the program's own folder is unknown"},
      {{Reason::NoBackupFolder, disk, {}}, "no backup folder could be made: No space left on device"},
      {{Reason::SymbolicLink, {}, "/srv/scenery/geopol12.bgl"},
       "it is a symbolic link to /srv/scenery/geopol12.bgl, and a restore replaces no link: restore the file it "
       "points to yourself, or name that file's folder in Scenery.cfg"},
      {{Reason::InUse, {}, {}}, "it is in use by another program: close that program and try again"},
      {{Reason::Missing, {}, {}}, "it is missing: deleted or moved since the restore"},
      {{Reason::OutsideInstallation, {}, "..\\Other\\geopol12.bgl"},
       "its list names it outside this installation: ..\\Other\\geopol12.bgl"},
      {{Reason::Unreadable, {}, {}}, "it could not be read"},
      {{Reason::BackupFailed, disk, {}}, "it could not be backed up: No space left on device"},
      {{Reason::ListFailed, disk, {}}, "the backup's list could not be written: No space left on device"},
      {{Reason::OriginalChanged, {}, {}}, "its original no longer reads as it did when it was verified"},
      {{Reason::WriteFailed, disk, {}}, "its original could not be written beside it: No space left on device"},
      {{Reason::ReadBackFailed, {}, {}}, "its original did not read back as written"},
      {{Reason::ChangedMeanwhile, {}, {}}, "it changed after it was backed up"},
      {{Reason::ReplaceFailed, disk, {}}, "it could not be replaced: No space left on device"},
      {{Reason::BackupChanged, {}, {}}, "its copy in the backup folder no longer reads as it was kept"},
      {{Reason::OldWriteFailed, disk, {}}, "its old bytes could not be written beside it: No space left on device"},
  };
  for (const auto& [failure, words] : cases) EXPECT_EQ(report::failureText(failure), words);
}

class Listing : public ::testing::Test {
 protected:
  report::ListingOutcome write() { return report::writeListing({}, listingPath().string(), {lists, unread}, console.out()); }
  fs::path listingPath() const { return dir.path() / "FileList.txt"; }
  std::string listing() const { return readText(listingPath()); }

  TempDir dir;
  CapturedConsole console;
  checks::BadFileLists lists;
  std::vector<scan::UnreadRecord> unread;
};

TEST_F(Listing, CleanRunWritesTheTwoTexts) {
  writeText(listingPath(), std::string(10000, 'o'));  // an older, longer listing is emptied
  const auto outcome = write();
  EXPECT_TRUE(outcome.created);
  EXPECT_FALSE(outcome.anyBad);
  EXPECT_EQ(listing(), std::string(expected::kHeading) + expected::kNoFormatErrors);
  EXPECT_EQ(console.text(), expected::kVerdictClean);
}

TEST_F(Listing, FormatErrorsOnly) {
  lists.formatErrorList.prepend({testsupport::builtPath("D:\\FS2002\\Scenery\\World\\scenery\\a.bgl"), false, {}});
  lists.formatErrorList.prepend({testsupport::builtPath("D:\\FS2002\\Scenery\\World\\scenery\\eurnwafd.bgl"), true, {}});
  const auto outcome = write();
  EXPECT_TRUE(outcome.anyBad);
  EXPECT_EQ(listing(), std::string(expected::kHeading) + expected::kFormatExplanation +
                           "D:\\FS2002\\Scenery\\World\\scenery\\eurnwafd.bgl  (Stock file)\r\n"
                           "D:\\FS2002\\Scenery\\World\\scenery\\a.bgl  (Add-on file)\r\n"
                           "\r\n");
  EXPECT_EQ(console.text(), expected::kVerdictBad);
}

TEST_F(Listing, ChecksumErrorsOnly) {
  lists.checksumErrorList.prepend({testsupport::builtPath("/fs/geopol07.bgl"), true, {}});
  EXPECT_TRUE(write().anyBad);
  EXPECT_EQ(listing(), std::string(expected::kHeading) + expected::kNoFormatErrors +
                           expected::kChecksumExplanation + "/fs/geopol07.bgl  (Stock file)\r\n");
  EXPECT_EQ(console.text(), expected::kVerdictBad);
}

TEST_F(Listing, FileInBothListsStandsUnderEachExplanation) {
  lists.formatErrorList.prepend({testsupport::builtPath("/fs/way001.bgl"), true, {}});
  lists.checksumErrorList.prepend({testsupport::builtPath("/fs/way001.bgl"), true, {}});
  write();
  EXPECT_EQ(listing(), std::string(expected::kHeading) + expected::kFormatExplanation +
                           "/fs/way001.bgl  (Stock file)\r\n\r\n" + expected::kChecksumExplanation +
                           "/fs/way001.bgl  (Stock file)\r\n");
}

// No name is lost: a listing that cannot be created is shown on the console,
// whole, where the verdict would point to the file.
TEST_F(Listing, ListingThatCannotBeCreatedIsShownOnTheConsoleInstead) {
  fs::create_directory(listingPath());  // a folder stands where the file would go
  lists.formatErrorList.prepend({testsupport::builtPath("/fs/x.bgl"), false, {}});
  const auto outcome = write();
  EXPECT_FALSE(outcome.created);
  EXPECT_TRUE(outcome.anyBad);
  EXPECT_EQ(console.text(), "ERROR: Can't create listing file " + listingPath().string() + "\r\n" +
                                expected::kVerdictBadFirstLine + expected::kListingHere + expected::kHeading +
                                expected::kFormatExplanation + "/fs/x.bgl  (Add-on file)\r\n\r\n\r\n");
}

// What could not be read closes the listing, in the order met, and the
// console warns of it after the verdict, clean or not; with the listing
// blocked, the console shows the records instead.
TEST_F(Listing, UnreadFilesAndFoldersCloseTheListingAndAreWarnedOf) {
  unread.push_back({"/fs/a/scenery/locked.bgl", {platform::FileFailure::Kind::InUse, "busy"}});
  unread.push_back({"/fs/b/scenery/", {platform::FileFailure::Kind::AccessDenied, "denied"}});
  const std::string unreadRecords =
      std::string(expected::kUnreadExplanation) + "/fs/a/scenery/locked.bgl\r\n/fs/b/scenery/\r\n";
  const std::string warning = std::string(expected::kUnreadWarning) + "2" + expected::kUnreadWarningEnd;
  const auto outcome = write();
  EXPECT_TRUE(outcome.created);
  EXPECT_FALSE(outcome.anyBad);
  EXPECT_EQ(listing(), expected::kHeading + std::string(expected::kNoFormatErrors) + unreadRecords);
  EXPECT_EQ(console.text(), expected::kVerdictClean + warning);

  lists.checksumErrorList.prepend({testsupport::builtPath("/fs/geopol07.bgl"), true, {}});
  console.clear();
  write();
  EXPECT_EQ(listing(), expected::kHeading + std::string(expected::kNoFormatErrors) + expected::kChecksumExplanation +
                           "/fs/geopol07.bgl  (Stock file)\r\n" + unreadRecords);
  EXPECT_EQ(console.text(), expected::kVerdictBad + warning);

  lists = checks::BadFileLists{};
  fs::remove(listingPath());
  fs::create_directory(listingPath());
  console.clear();
  EXPECT_FALSE(write().created);
  EXPECT_EQ(console.text(), "ERROR: Can't create listing file " + listingPath().string() + "\r\n" +
                                expected::kVerdictClean + expected::kListingHere + expected::kHeading +
                                expected::kNoFormatErrors + unreadRecords + "\r\n" + warning);
}

TEST_F(Listing, ListingWhoseWritesFailIsNotReportedAsWritten) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "needs /dev/full";
  const auto outcome = report::writeListing({}, "/dev/full", {lists, unread}, console.out());
  EXPECT_FALSE(outcome.created);
  EXPECT_EQ(console.text(), std::string("ERROR: Can't create listing file /dev/full\r\n") + expected::kVerdictClean);
}

TEST_F(Listing, WithoutAFolderOfItsOwnNoListingIsWrittenAnywhere) {
  lists.formatErrorList.prepend({testsupport::builtPath("/fs/x.bgl"), false, {}});
  const auto outcome = report::writeListing({}, "", {lists, unread}, console.out());
  EXPECT_FALSE(outcome.created);
  EXPECT_EQ(console.text(), std::string("ERROR: Can't create listing file FileList.txt\r\n") +
                                expected::kVerdictBadFirstLine + expected::kListingHere + expected::kHeading +
                                expected::kFormatExplanation + "/fs/x.bgl  (Add-on file)\r\n\r\n\r\n");
  EXPECT_FALSE(fs::exists("FileList.txt"));
}

TEST_F(Listing, OverlongListingPathIsRefusedNotCut) {
  const std::string longPath = (dir.path() / std::string(300, 'l')).string();
  const auto outcome = report::writeListing({}, longPath, {lists, unread}, console.out());
  EXPECT_FALSE(outcome.created);
  EXPECT_EQ(console.text(), "ERROR: Can't create listing file " + longPath + "\r\n" + expected::kVerdictClean);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
