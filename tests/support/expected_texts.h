#pragma once

#include "report/version.h"

// What users see, typed in here a second time and already in the CR LF form
// that reaches the console and the listing file, so that a typo in the
// program's own texts cannot pass both sides.
namespace testsupport::expected {

inline constexpr const char* kBanner = "Trawlex for FS2002 - Version " TRAWLEX_VERSION "\r\n\r\n";
inline constexpr const char* kNoHostFolder =
    "ERROR: Can't find FS2002 folder\r\n"
    "Put this program in the FS2002 folder, or in a folder inside it (its Tools folder, say), and run it again.\r\n";
inline constexpr const char* kLocated = "FS2002 located\r\n\r\nScanning files now...\r\n";
// The area walk's line end, then the completion line.
inline constexpr const char* kCompleted = "\r\n\r\nScanning completed\r\n\r\n";
inline constexpr const char* kPrompt = "\r\nPress ENTER key to finish...";
inline constexpr const char* kVerdictClean = "\r\nNo bad facility BGL files were detected.\r\n";
inline constexpr const char* kVerdictBadFirstLine =
    "\r\nAt least one BGL file was found to have a format error or abnormal checksum.\r\n";
inline constexpr const char* kVerdictBad =
    "\r\nAt least one BGL file was found to have a format error or abnormal checksum.\r\n"
    "Refer to listing file FileList.txt for the name of the bad file(s)\r\n\r\n";
// The verdict of a plain run that found a bad stock file: then the way to the cure.
#define TRAWLEX_EXPECTED_CURE_HINT                                                                       \
  "\r\nTrawlex can put back FS2002's own copies of the bad stock files:\r\n"                            \
  "  trawlex --originals D:\\   finds verified originals on the CD in drive D: (or a folder)\r\n"    \
  "                           and changes nothing\r\n"                                               \
  "  trawlex --restore D:\\     puts them in place, keeping the bad files in a backup\r\n"           \
  "  trawlex --undo             puts the bad files of the last restore back\r\n"                     \
  "On Windows, drop the CD drive or a folder on \"Find originals.cmd\" or\r\n"                       \
  "\"Restore originals.cmd\" beside trawlex.exe; \"Undo last restore.cmd\" undoes.\r\n"
inline constexpr const char* kCureHint = TRAWLEX_EXPECTED_CURE_HINT;
inline constexpr const char* kVerdictBadStock =
    "\r\nAt least one BGL file was found to have a format error or abnormal checksum.\r\n"
    "Refer to listing file FileList.txt for the name of the bad file(s)\r\n\r\n" TRAWLEX_EXPECTED_CURE_HINT;
inline constexpr const char* kListingHere = "The listing could not be written, so here it is:\r\n\r\n";
inline constexpr const char* kCantReadConfig = "ERROR: Can't read scenery configuration file ";
inline constexpr const char* kCantReadConfigAdvice =
    "FS2002 keeps its scenery areas in that file: put it back (from a backup), or start FS2002 once, then run this "
    "again.\r\n";
inline constexpr const char* kNothingChecked = "ERROR: No BGL file could be checked in the scenery areas of ";
inline constexpr const char* kNothingCheckedAdvice =
    "Check that the areas' folders exist and can be read (trawlex --explain lists them), then run this again.\r\n";
// The listing of a run that ended in one of the errors: the heading, then the console's lines.
inline constexpr const char* kListingNoScan = "Listing from facility BGL file scan.\r\n\r\nThe scan could not be done:\r\n";
inline constexpr const char* kUnreadExplanation =
    "\r\nThe following BGL file(s) or scenery folder(s) could not be read, so they\r\n"
    "were not checked. Close any program that may hold them open (FS2002 itself,\r\n"
    "for one), check their permissions, and run this scanner again.\r\n\r\n";
// The warning's two parts around the number of what could not be read.
inline constexpr const char* kUnreadWarning = "\r\nWARNING: ";
inline constexpr const char* kUnreadWarningEnd =
    " BGL file(s) or scenery folder(s) could not be read, so they were not checked.\r\n";

inline constexpr const char* kHeading = "Listing from facility BGL file scan.\r\n";
inline constexpr const char* kNoFormatErrors = "\r\nThe program detected no BGL file format errors.\r\n";
inline constexpr const char* kFormatExplanation =
    "\r\nThe following facility BGL file(s) were found to have format errors that\r\n"
    "could cause problems for FS2002, these files should be deleted.  If they are\r\n"
    "stock files (i.e. they came with FS2002) then they should be replaced with the\r\n"
    "original files.  A copy of the original file can usually be found in the same\r\n"
    "folder, otherwise it can be found on the FS2002 CD 1 contained in a\r\n"
    "compressed file called FS2002.CAB. That file can be opened like a Zip file.\r\n\r\n";
inline constexpr const char* kChecksumExplanation =
    "\r\nThe following facility BGL file(s) were found to have an abnormal checksum.\r\n"
    "Files of this type do not contain airports and should never change after.\r\n"
    "being installed. Having an abnormal checksum indicates they have either been\r\n"
    "altered, or they are corrupt. This can cause problems for FS2002.\r\n"
    "You can get fresh copies of these files from the FS2002 CD 2, they are in the\r\n"
    "folder SCENEDB\\ATC\\SCENERY\\ .  Replace these files with fresh copies and run\r\n"
    "this scanner again.  If the files still come up with an abnormal checksum then\r\n"
    "they may be corrupt on the CD. You should try to get a replacement copy from\r\n"
    "somewhere else\r\n\r\n";


// The command line's own forms, typed again in the same way.
inline constexpr const char* kVersionLine = "Trawlex for FS2002 - Version " TRAWLEX_VERSION "\r\n";
inline constexpr const char* kUsage =
    "\r\n"
    "Usage: trawlex [--explain] [--originals [PLACE...] | --restore [PLACE...]]\r\n"
    "       trawlex --undo\r\n"
    "       trawlex FILE...\r\n"
    "       trawlex --help | --version\r\n"
    "\r\n"
    "Without a FILE, finds FS2002, checks the facility BGL files of every scenery\r\n"
    "area in its Scenery.cfg and names the bad ones in FileList.txt beside the\r\n"
    "program. With --explain it also shows, after the verdict, each area it\r\n"
    "scanned and why each bad file failed. With --originals it then looks for a\r\n"
    "verified original of each bad stock file: beside it, in each PLACE (a folder,\r\n"
    "searched with its subfolders, or a cabinet), or on the CD and DVD drives; it\r\n"
    "changes nothing. With --restore it also puts each verified original in place,\r\n"
    "keeping the bad file in a backup folder beside the program, and checks again.\r\n"
    "--undo puts back the files of the latest restore that still hold its copies.\r\n"
    "Given the paths of files, it checks those files only, tells what it found in\r\n"
    "each and writes no FileList.txt.\r\n"
    "Exit status: 0 when no file is bad, 1 when one is, 2 when the run failed\r\n"
    "(no FS2002 folder, no readable Scenery.cfg, no file checked, a file or folder\r\n"
    "that could not be read, no listing written, a named file that cannot be\r\n"
    "opened, a file that could not be restored or put back).\r\n";
inline constexpr const char* kAreasHeading = "\r\nScenery areas scanned:\r\n";
inline constexpr const char* kBadFilesHeading = "\r\nWhy each bad file failed:\r\n";
inline constexpr const char* kCannotOpen = "  ERROR: Can't open this file\r\n";
inline constexpr const char* kNoFormatErrorsFound = "  No format errors\r\n";

}  // namespace testsupport::expected
