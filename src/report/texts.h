#pragma once

// Every text that Trawlex shows on the console or writes to the listing file,
// byte for byte. Users and scripts compare these, so they change only on
// purpose. LF stands for a line end: the writer turns it into CR LF.

#include "report/version.h"

namespace report {

inline constexpr const char* kVersion = TRAWLEX_VERSION;
inline constexpr const char* kBanner = "Trawlex for FS2002 - Version %s\n\n";
inline constexpr const char* kNoHostFolder = "ERROR: Can't find FS2002 folder\n";
inline constexpr const char* kHostFolderFound = "FS2002 located\n\nScanning files now...\n";
inline constexpr const char* kRunningCount = "\rAll Files: %d  Facility Files: %d";
inline constexpr const char* kAreaWalkEnd = "\n";
inline constexpr const char* kScanCompleted = "\nScanning completed\n\n";
inline constexpr const char* kCantCreateListing = "ERROR: Can't create listing file %s\n";
inline constexpr const char* kPressEnter = "\nPress ENTER key to finish...";

inline constexpr const char* kListingFileName = "FileList.txt";
inline constexpr const char* kListingHeading = "Listing from facility BGL file scan.\n";
inline constexpr const char* kFormatErrorExplanation =
    "\nThe following facility BGL file(s) were found to have format errors that\n"
    "could cause problems for FS2002, these files should be deleted.  If they are\n"
    "stock files (i.e. they came with FS2002) then they should be replaced with the\n"
    "original files.  A copy of the original file can usually be found in the same\n"
    "folder, otherwise it can be found on the FS2002 CD 1 contained in a\n"
    "compressed file called FS2002.CAB. That file can be opened like a Zip file.\n\n";
inline constexpr const char* kNoFormatErrors = "\nThe program detected no BGL file format errors.\n";
inline constexpr const char* kChecksumExplanation =
    "\nThe following facility BGL file(s) were found to have an abnormal checksum.\n"
    "Files of this type do not contain airports and should never change after.\n"
    "being installed. Having an abnormal checksum indicates they have either been\n"
    "altered, or they are corrupt. This can cause problems for FS2002.\n"
    "You can get fresh copies of these files from the FS2002 CD 2, they are in the\n"
    "folder SCENEDB\\ATC\\SCENERY\\ .  Replace these files with fresh copies and run\n"
    "this scanner again.  If the files still come up with an abnormal checksum then\n"
    "they may be corrupt on the CD. You should try to get a replacement copy from\n"
    "somewhere else\n\n";
inline constexpr const char* kListingRecord = "%s  %s\n";
inline constexpr const char* kStockFileLabel = "(Stock file)";
inline constexpr const char* kAddOnFileLabel = "(Add-on file)";

inline constexpr const char* kVerdictBadFiles =
    "\nAt least one BGL file was found to have a format error or abnormal checksum.\n"
    "Refer to listing file %s for the name of the bad file(s)\n\n";
inline constexpr const char* kVerdictClean = "\nNo bad facility BGL files were detected.\n";

}  // namespace report
