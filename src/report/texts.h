#pragma once

// Every text that Trawlex shows on the console or writes to the listing file,
// byte for byte. Users and scripts compare these, so they change only on
// purpose. LF stands for a line end: the writer turns it into CR LF.

#include "checks/section_validation.h"
#include "report/version.h"

namespace report {

inline constexpr const char* kVersion = TRAWLEX_VERSION;
inline constexpr const char* kBanner = "Trawlex for FS2002 - Version %s\n\n";
inline constexpr const char* kNoHostFolder = "ERROR: Can't find FS2002 folder\n";
inline constexpr const char* kNoHostFolderAdvice =
    "Put this program in the FS2002 folder, or in a folder inside it (its Tools folder, say), and run it again.\n";
inline constexpr const char* kHostFolderFound = "FS2002 located\n\nScanning files now...\n";
inline constexpr const char* kRunningCount = "\rAll Files: %d  Facility Files: %d";
inline constexpr const char* kAreaWalkEnd = "\n";
inline constexpr const char* kScanCompleted = "\nScanning completed\n\n";
inline constexpr const char* kCantCreateListing = "ERROR: Can't create listing file %s\n";
inline constexpr const char* kCantReadConfig = "ERROR: Can't read scenery configuration file %s\n";
inline constexpr const char* kCantReadConfigAdvice =
    "FS2002 keeps its scenery areas in that file: put it back (from a backup), or start FS2002 once, then run this again.\n";
inline constexpr const char* kNothingChecked = "ERROR: No BGL file could be checked in the scenery areas of %s\n";
inline constexpr const char* kNothingCheckedAdvice =
    "Check that the areas' folders exist and can be read (trawlex --explain lists them), then run this again.\n";
// The listing left by a run that ended in one of the errors above, so that an
// earlier one never looks current.
inline constexpr const char* kListingNoScan = "\nThe scan could not be done:\n";
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
inline constexpr const char* stockLabel(bool isStock) { return isStock ? kStockFileLabel : kAddOnFileLabel; }

// Files and folders of the scan that are there but could not be read.
inline constexpr const char* kUnreadExplanation =
    "\nThe following BGL file(s) or scenery folder(s) could not be read, so they\n"
    "were not checked. Close any program that may hold them open (FS2002 itself,\n"
    "for one), check their permissions, and run this scanner again.\n\n";
inline constexpr const char* kUnreadRecord = "%s\n";
inline constexpr const char* kUnreadMissingRecord = "%s  (the folder does not exist)\n";

inline constexpr const char* kVerdictBadFiles =
    "\nAt least one BGL file was found to have a format error or abnormal checksum.\n";
inline constexpr const char* kReferToListing = "Refer to listing file %s for the name of the bad file(s)\n\n";
inline constexpr const char* kListingShownHere = "The listing could not be written, so here it is:\n\n";
inline constexpr const char* kVerdictClean = "\nNo bad facility BGL files were detected.\n";
// After the verdict of a plain run that found a bad stock file, on the
// console and at the end of the listing: the way to the cure.
inline constexpr const char* kCureHint =
    "\nTrawlex can put back FS2002's own copies of the bad stock files:\n"
    "  trawlex --originals D:\\   finds verified originals on the CD in drive D: (or a folder)\n"
    "                           and changes nothing\n"
    "  trawlex --restore D:\\     puts them in place, keeping the bad files in a backup\n"
    "  trawlex --undo             puts the bad files of the last restore back\n"
    "On Windows, drop the CD drive or a folder on \"Find originals.cmd\" or\n"
    "\"Restore originals.cmd\" beside trawlex.exe; \"Undo last restore.cmd\" undoes.\n";
inline constexpr const char* kUnreadWarning =
    "\nWARNING: %d BGL file(s) or scenery folder(s) could not be read, so they were not checked.\n";

// The command line's own forms.
inline constexpr const char* kVersionLine = "Trawlex for FS2002 - Version %s\n";
inline constexpr const char* kUnknownOption = "Unknown option %s: trawlex --help lists the options.\n";
inline constexpr const char* kUsage =
    "\n"
    "Usage: trawlex [--explain] [--originals [PLACE...] | --restore [PLACE...]]\n"
    "       trawlex --undo\n"
    "       trawlex FILE...\n"
    "       trawlex --help | --version\n"
    "\n"
    "Without a FILE, finds FS2002, checks the facility BGL files of every scenery\n"
    "area in its Scenery.cfg and names the bad ones in FileList.txt beside the\n"
    "program. With --explain it also shows, after the verdict, each area it\n"
    "scanned and why each bad file failed. With --originals it then looks for a\n"
    "verified original of each bad stock file: beside it, in each PLACE (a folder,\n"
    "searched with its subfolders, or a cabinet), or on the CD and DVD drives; it\n"
    "changes nothing. With --restore it also puts each verified original in place,\n"
    "keeping the bad file in a backup folder beside the program, and checks again.\n"
    "--undo puts back the files of the latest restore that still hold its copies.\n"
    "Given the paths of files, it checks those files only, tells what it found in\n"
    "each and writes no FileList.txt.\n"
    "Exit status: 0 when no file is bad, 1 when one is, 2 when the run failed\n"
    "(no FS2002 folder, no readable Scenery.cfg, no file checked, a file or folder\n"
    "that could not be read, no listing written, a named file that cannot be\n"
    "opened, a file that could not be restored or put back).\n";

// The explanation that --explain adds after the verdict.
inline constexpr const char* kExplainAreasHeading = "\nScenery areas scanned:\n";
inline constexpr const char* kExplainArea = "  Area.%03u  %s  %d .bgl file(s), %d facility file(s)\n";
inline constexpr const char* kExplainMissingArea = "  Area.%03u  %s  folder does not exist\n";
inline constexpr const char* kExplainNoAreas = "  none\n";
inline constexpr const char* kExplainBadFilesHeading = "\nWhy each bad file failed:\n";
inline constexpr const char* kExplainConfigHeading = "\nIn %s, read otherwise than FS2002 loads it:\n";
inline constexpr const char* kExplainNeverRead =
    "  line %lu: [%s] Local=%s  never read: areas are read as Area.001 to Area.399\n";
inline constexpr const char* kExplainRepeated = "  line %lu: [%s]  repeated: only the one at line %lu is read\n";
inline constexpr const char* kExplainInactive = "  line %lu: [%s] Active=FALSE  scanned, though FS2002 does not load it\n";
inline constexpr const char* kExplainScannedBefore =
    "  line %lu: [%s]  its folder was scanned before, for Area.%03u: its files are counted again\n";
inline constexpr const char* kExplainNotShown = "  and %lu more\n";
inline constexpr const char* kExplainUnreadHeading = "\nNot checked, because they could not be read:\n";
inline constexpr const char* kExplainUnread = "  %s  %s\n";  // path, reason
inline constexpr const char* kAccessDenied = "access denied";
inline constexpr const char* kInUse = "in use by another program";
inline constexpr const char* kDeviceName = "a name Windows keeps for a device: no program can open it as a file";
inline constexpr const char* kNameNotWindows = "a name no Windows file can bear: FS2002 cannot open it";
inline constexpr const char* kFolderMissing = "the folder does not exist";

// With --originals, after the verdict: a paragraph for each bad file.
inline constexpr const char* kOriginalsHeading = "\nOriginals of the bad files:\n";
inline constexpr const char* kOriginalFile = "\n%s  %s\n";  // path, stock label
inline constexpr const char* kOriginalOfAddOn =
    "  An add-on file has no original: remove it, or reinstall the add-on that brought it.\n";
inline constexpr const char* kOriginalFound = "  Verified original: %s\n";
inline constexpr const char* kOriginalFoundInCabinet = "  Verified original: %s, in the cabinet %s\n";  // entry, cabinet
inline constexpr const char* kOriginalByChecksum = "  Verified by its CRC-32, %08X, the reference value of this stock file.\n";
inline constexpr const char* kOriginalBySection =
    "  Verified by its name: no reference checksum; its facility section is sound.\n";
inline constexpr const char* kOriginalOfChangedFile =
    "  Its facility section is sound: it may have been changed on purpose (an update of its navaids, an\n"
    "  editor's work). A restore puts back FS2002's own copy, and trawlex --undo takes that back.\n";
inline constexpr const char* kOriginalNotFound = "  No verified original was found. Searched:\n";
inline constexpr const char* kOriginalPlace = "    %s\n";
inline constexpr const char* kOriginalPlaceMissing = "    %s (it does not exist)\n";
inline constexpr const char* kOriginalPlaceNotSearchable = "    %s (it is neither a folder nor a cabinet)\n";
inline constexpr const char* kOriginalHoldsReference =
    "  It holds the reference CRC-32 of this stock file already, %08X: no copy can be a better original, and "
    "nothing is restored.\n";
inline constexpr const char* kOriginalNoDrive = "    no CD or DVD drive (name a folder after --originals)\n";
inline constexpr const char* kCabinetsNotReadHeading = "\nCabinets that could not be read to their end:\n";
inline constexpr const char* kCabinetNotRead = "  %s: %s\n";  // path (a set's first part), one of the reasons below
inline constexpr const char* kCabinetCannotOpen = "it could not be opened";
inline constexpr const char* kCabinetNotACabinet = "it is not a cabinet file";
inline constexpr const char* kCabinetDamaged = "its header is damaged or cut short; nothing in this cabinet could be searched";
inline constexpr const char* kCabinetNothingSearched = "nothing in this cabinet could be searched";
inline constexpr const char* kCabinetSomeNotSearched = "%u of its %u BGL entries could not be searched; the others were";
inline constexpr const char* kCabinetAllListedSearched = "every BGL entry that could be found in it was searched";
// Below a cabinet's line: what of it is missing, then each entry that could
// not be searched, with why.
inline constexpr const char* kCabinetNextPartMissing = "    the next part of this set, %s, is not there\n";
inline constexpr const char* kCabinetPreviousPartMissing = "    the part before it in this set, %s, is not there\n";
inline constexpr const char* kCabinetListCutShort =
    "    its list of entries is cut short: any entries after the last one listed are unknown\n";
inline constexpr const char* kCabinetEntryNotRead = "    %s: %s\n";  // entry, one of the reasons below
inline constexpr const char* kCabinetEntriesNotShown = "    and %u more BGL entries that could not be searched\n";
inline constexpr const char* kEntryTooLarge = "it claims more than 64 MiB, more than any scenery file can have";
inline constexpr const char* kEntryNoSuchFolder = "it names a folder that the cabinet does not have";
inline constexpr const char* kEntryUnknownCompression = "its folder is compressed in a way no cabinet uses";
inline constexpr const char* kEntryBeyondFolder = "it claims more bytes than its folder holds";
inline constexpr const char* kEntryCutShort = "the cabinet is cut short inside its data";
inline constexpr const char* kEntryFailedChecksum = "a block of its data fails its checksum";
inline constexpr const char* kEntryInMissingPart = "it continues in the next part of the set, which is not there";
inline constexpr const char* kEntryFromMissingPart = "it begins in the part before, which is not there";
inline constexpr const char* kEntryUndecodable = "its data could not be decoded: it is damaged";
inline constexpr const char* kEntryNoMemory =
    "there was not enough memory to decode it (not the cabinet's fault: try again with fewer programs open)";
// With --restore, after the paragraphs of the originals.
inline constexpr const char* kRestoreHeading = "\nRestoring the bad stock files from their verified originals:\n";
inline constexpr const char* kRestoreNothing = "  No bad stock file has a verified original: nothing was changed.\n";
inline constexpr const char* kRestoreBackupFolder = "  The bad files are kept in %s\n";
inline constexpr const char* kRestored = "  Restored: %s\n";
inline constexpr const char* kNotRestored = "  Not restored, left as it was: %s\n    %s\n";  // path, one reason below
inline constexpr const char* kReasonOriginalChanged = "its original no longer reads as it did when it was verified";
inline constexpr const char* kReasonUnreadable = "it could not be read";
inline constexpr const char* kReasonPathNotRecordable = "its path holds a tab or a line end";
inline constexpr const char* kReasonNoBackupFolder = "no backup folder could be made: %s";
inline constexpr const char* kOwnFolderUnknown = "the program's own folder is unknown";
inline constexpr const char* kReasonChangedMeanwhile = "it changed after it was backed up";
inline constexpr const char* kReasonBackupFailed = "it could not be backed up: %s";
inline constexpr const char* kReasonListFailed = "the backup's list could not be written: %s";
inline constexpr const char* kReasonWriteFailed = "its original could not be written beside it: %s";
inline constexpr const char* kReasonReadBackFailed = "its original did not read back as written";
inline constexpr const char* kReasonReplaceFailed = "it could not be replaced: %s";
inline constexpr const char* kReasonOldWriteFailed = "its old bytes could not be written beside it: %s";
inline constexpr const char* kReasonBackupChanged = "its copy in the backup folder no longer reads as it was kept";
inline constexpr const char* kReasonSymbolicLink =
    "it is a symbolic link to %s, and a restore replaces no link: restore the file it points to yourself, or name "
    "that file's folder in Scenery.cfg";
inline constexpr const char* kReasonInUse = "it is in use by another program: close that program and try again";
inline constexpr const char* kReasonMissing = "it is missing: deleted or moved since the restore";
inline constexpr const char* kReasonOutside = "its list names it outside this installation: %s";
inline constexpr const char* kRestoredSameFile = "  Restored above, reached another way: %s\n";
inline constexpr const char* kNotRestoredSameFile = "  Not restored, as above, reached another way: %s\n";
inline constexpr const char* kOtherNamesKeepOldBytes = "    Its %u other name(s) (hard links) keep the bad bytes.\n";
inline constexpr const char* kNotDurable =
    "    Warning: the folder's flush failed (%s): a power loss now could undo the change.\n";
inline constexpr const char* kCheckingAgain = "\nChecking again after the restore:\n\n";

// --undo.
inline constexpr const char* kNoRestoreToUndo = "\nThere is no restore to undo.\n";
inline constexpr const char* kUndoHeading = "\nUndoing the restore kept in %s:\n";
inline constexpr const char* kPutBack = "  Put back: %s\n";
inline constexpr const char* kAlreadyBefore = "  As before the restore already: %s\n";
inline constexpr const char* kChangedSince = "  Changed since the restore, left as it is: %s\n";
inline constexpr const char* kNotPutBack = "  Could not be put back, left as it is: %s\n    %s\n";  // path, reason
// The last lines of a restore, after its new scan, and of an undo: the outcome in numbers.
inline constexpr const char* kRestoreSummary =
    "\nRestore: %d stock file(s) restored; %d not restored (%d without a verified original, %d that could not be\n"
    "replaced, as told above).\n";
inline constexpr const char* kRestoreSummaryAddOns =
    "%d add-on file(s) still bad: remove them, or reinstall the add-ons that brought them.\n";
inline constexpr const char* kUndoSummary = "\nUndo: %d file(s) put back; %d left as they were.\n";
inline constexpr const char* kUndoComplete = "The restore is undone; its backup folder stays.\n";
inline constexpr const char* kUndoIncomplete = "The restore is not undone: the files above that were left keep it open.\n";
inline constexpr const char* kUndoListDamaged =
    "\nThe list of the latest restore cannot be read: %s\n  %s.\nNothing was changed. Its folder holds the files as "
    "they were before that restore; remove the folder to undo an earlier one.\n";  // path, what is wrong
inline constexpr const char* kListCutShort = "it is cut short";
inline constexpr const char* kListSumMismatch = "its checksum does not match its text";
inline constexpr const char* kListLineUnreadable = "its line %u is not one this program writes";

inline constexpr const char* kOriginalsProgress = "\rSearching for originals: %d file(s) read";

// A paragraph for each file named on the command line.
inline constexpr const char* kNamedFilePath = "%s\n";
inline constexpr const char* kNamedFileCannotOpen = "  ERROR: Can't open this file\n";
inline constexpr const char* kNamedFileNotFacility = "  Not a facility BGL file: nothing to check\n";
inline constexpr const char* kNamedFileMissing = "  ERROR: No such file\n";
inline constexpr const char* kNamedFolderEmpty = "  No BGL file in this folder or its subfolders\n";
inline constexpr const char* kNamedFileAddOnAdvice =
    "  What to do: remove it, or reinstall the add-on that brought it.\n";
inline constexpr const char* kNamedFileStockAdvice =
    "  What to do: trawlex --originals finds a verified original on the CD, trawlex --restore puts it in place.\n";
inline constexpr const char* kNamedFileStockNotFacility = "  Not a facility BGL file %s\n";
inline constexpr const char* kNamedFileFacility = "  Facility BGL file %s\n";
inline constexpr const char* kNamedFileEnd = "\n";

// Why a file passed or failed, in the explanation and the paragraphs.
inline constexpr const char* kChecksumAsExpected = "  Checksum %08X, as expected\n";
inline constexpr const char* kChecksumAbnormal = "  Abnormal checksum: %08X, expected %08X\n";
inline constexpr const char* kSectionSound = "  No format errors\n";
inline constexpr const char* kStockNameWithoutHeader =
    "  Format error: the name is a stock facility file's, but the header is not a facility header\n";
inline constexpr const char* kFormatError = "  Format error: %s%s%s\n";  // rule, numbers, place
inline constexpr const char* kPlaceInEntry = " (directory entry %u, file offset %s)";
inline constexpr const char* kPlace = " (file offset %s)";

// Each rule of the facility section in plain words, with the two numbers it
// compares where it compares two (shown in hexadecimal where `hex`).
struct SectionFaultText {
  const char* rule;
  const char* numbers;
  bool hex;
};
constexpr SectionFaultText sectionFaultText(checks::SectionFault fault) {
  using Fault = checks::SectionFault;
  switch (fault) {
    case Fault::None: return {"none", nullptr, false};
    case Fault::ShortLeadIn: return {"the section's lead-in is cut short", nullptr, false};
    case Fault::ShortEntryHead: return {"a directory entry's head is cut short", nullptr, false};
    case Fault::ShortEntryRest:
      return {"a directory entry is cut short of its type, target offset or the size it announces", nullptr, false};
    case Fault::ShortBlockHead: return {"a linked block's head is cut short", nullptr, false};
    case Fault::ShortRecordHead: return {"a block record's head is cut short", nullptr, false};
    case Fault::WrongEntryId: return {"wrong directory entry identifier", ", %s found, %s expected", true};
    case Fault::EntrySizeBelow8: return {"directory entry size below 8", ", %s found, at least %s expected", false};
    case Fault::TargetOffsetZero: return {"target offset 0 in an entry that must point somewhere", nullptr, false};
    case Fault::WrongBlockKind: return {"wrong linked block kind", ", %s found, %s expected", true};
    case Fault::BlockLengthZero: return {"linked block of length 0", nullptr, false};
    case Fault::TerminatorNotAtBlockLength:
      return {"block terminator not at the block's length", ", terminator at block +%s, block length %s", false};
    case Fault::NoQualifyingMarker:
      return {"no marker record with content before the block's terminator", nullptr, false};
    case Fault::TerminatorSizeNotZero:
      return {"directory terminator with a size other than 0", ", size %s found, %s expected", false};
    case Fault::EntryCountNotAsAnnounced:
      return {"entry count not as announced", ", %s entries counted, %s announced", false};
    case Fault::WalkNotForward:
      return {"a block record whose size would move the walk back or not at all", nullptr, false};
    case Fault::BeyondSeekLimit: return {"a position from 2 GiB on, beyond what a seek reaches", nullptr, false};
  }
  return {"unknown", nullptr, false};
}

}  // namespace report
