#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/text_out.h"

namespace report {

// A verified copy of a bad stock file's original, and why it is one.
struct VerifiedOriginal {
  std::string path;   // a file, or the cabinet that holds the copy
  std::string entry;  // the copy's name inside that cabinet; empty for a file
  bool byChecksum = false;  // its CRC-32 is the reference value; else the same name and a sound section
  std::uint32_t crc = 0;
};

// What the search for originals found for one bad file.
struct OriginalFinding {
  std::string badPath;
  bool isStock = false;
  std::optional<VerifiedOriginal> original;  // for a stock file, when one was found
  std::vector<std::string> searched;         // where the search looked, in order
  bool noOpticalDrive = false;               // the CD and DVD drives were to be searched, and there are none
};

// A cabinet that the search could not read to its end, and why.
struct CabinetNotRead {
  std::string path;
  const char* reason;  // one of the texts kCabinet...
};

// The paragraphs that --originals adds after the verdict, one per bad file,
// in the listing's order, then the cabinets that could not be read.
void printOriginals(TextOut& console, const std::vector<OriginalFinding>& findings,
                    const std::vector<CabinetNotRead>& cabinetsNotRead);

}  // namespace report
