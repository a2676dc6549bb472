#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "checks/file_check.h"
#include "platform/platform.h"

// What a scan found, as values: produced by the run's scan and read by the
// presenter, which turns each into its words.
namespace scan {

// One scenery area that the scan visited.
struct AreaSummary {
  unsigned number = 0;
  std::string folder;  // the folder as built; the Local value where none could be built
  bool exists = false;
  std::int32_t allFiles = 0;
  std::int32_t facilityFiles = 0;
};

// A .bgl file or a scenery folder of the scan that is there but could not
// be read: the path as built (a folder's ends with its separator) and why.
struct UnreadRecord {
  std::string path;
  platform::FileFailure failure;
};

// What became of one file named on the command line.
struct NamedFileResult {
  bool missing = false;  // the word names no file or folder
  bool opened = false;
  checks::FileVerdict verdict;  // what the checks found, when it could be opened
};

// Something in Scenery.cfg that the scan does not read as FS2002 loads it,
// at a line of the file.
struct ConfigNote {
  enum class Kind {
    NeverRead,            // a section that looks like an area but is never asked for
    Repeated,             // an area's section again: the reader answers from the first
    Inactive,             // Active=FALSE: scanned, though FS2002 does not load it
    FolderScannedBefore,  // an area's folder that an earlier area scanned
  };
  Kind kind = Kind::NeverRead;
  std::size_t line = 0;
  std::string section;         // the section's name as written
  std::string local;           // NeverRead: its Local value
  std::size_t firstLine = 0;   // Repeated: the line of the section that is read
  unsigned earlierArea = 0;    // FolderScannedBefore: the area that scanned the folder first
};

// The notes on one Scenery.cfg, in the order of its lines; at most a few
// hundred are kept, the rest only counted.
struct ConfigSurvey {
  std::string configPath;
  std::vector<ConfigNote> notes;
  std::size_t notShown = 0;
};

}  // namespace scan
