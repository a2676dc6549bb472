#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cabinets/cabinet_reader.h"
#include "platform/path.h"

// What the search for originals found, as values for the restore to use and
// the presenter to tell.
namespace originals {

// A verified copy of a bad stock file's original, and why it is one.
struct VerifiedOriginal {
  std::string path;   // a file, or the cabinet that holds the copy
  std::string entry;  // the copy's name inside that cabinet; empty for a file
  bool byChecksum = false;  // its CRC-32 is the reference value; else the same name and a sound section
  std::uint32_t crc = 0;
  // A cabinet entry's bytes as the search decoded them, kept for the restore
  // so that no cabinet is decoded twice in a run; none for a file.
  std::shared_ptr<const std::vector<std::uint8_t>> entryBytes;
};

// A place the search looked in, and whether anything was there to search.
struct SearchedPlace {
  enum class Kind {
    Searched,     // a folder, a cabinet or a file that may be the original
    Missing,      // nothing of that name
    NotSearchable,  // a file that is neither a cabinet nor a BGL file
  };
  std::string path;
  Kind kind = Kind::Searched;
};

// What the search for originals found for one bad file.
struct OriginalFinding {
  platform::Path badPath;
  bool isStock = false;
  std::optional<VerifiedOriginal> original;  // for a stock file, when one was found
  std::vector<SearchedPlace> searched;       // where the search looked, in order
  bool noOpticalDrive = false;               // the CD and DVD drives were to be searched, and there are none
  bool holdsReference = false;               // it holds its reference CRC-32 already: no copy is a better original
  bool soundButChanged = false;  // only its checksum is off, its section is sound: it may have been changed on purpose
};

// A cabinet (or a set) that the search could not read in full, and what of
// it could not be read.
struct CabinetNotRead {
  std::string path;  // the cabinet, or the first part of its set that was read
  cabinets::CabinetReading reading;
};

// Where a long search tells how far it has come: the count of files read
// when it is worth showing, and the end once any count was shown.
class SearchProgress {
 public:
  virtual ~SearchProgress() = default;
  virtual void filesRead(int count) = 0;
  virtual void finished() = 0;
};

}  // namespace originals
