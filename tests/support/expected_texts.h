#pragma once

#include "report/version.h"

// What users see, typed in here a second time and already in the CR LF form
// that reaches the console and the listing file, so that a typo in the
// program's own texts cannot pass both sides.
namespace testsupport::expected {

inline constexpr const char* kBanner = "Trawlex for FS2002 - Version " TRAWLEX_VERSION "\r\n\r\n";
inline constexpr const char* kNoHostFolder = "ERROR: Can't find FS2002 folder\r\n";
inline constexpr const char* kLocated = "FS2002 located\r\n\r\nScanning files now...\r\n";
// The area walk's line end, then the completion line.
inline constexpr const char* kCompleted = "\r\n\r\nScanning completed\r\n\r\n";
inline constexpr const char* kPrompt = "\r\nPress ENTER key to finish...";
inline constexpr const char* kVerdictClean = "\r\nNo bad facility BGL files were detected.\r\n";
inline constexpr const char* kVerdictBad =
    "\r\nAt least one BGL file was found to have a format error or abnormal checksum.\r\n"
    "Refer to listing file FileList.txt for the name of the bad file(s)\r\n\r\n";

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

}  // namespace testsupport::expected
