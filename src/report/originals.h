#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/text_out.h"

namespace report {

// A verified copy of a bad stock file's original, and why it is one.
struct VerifiedOriginal {
  std::string path;
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

// The paragraphs that --originals adds after the verdict, one per bad file,
// in the listing's order.
void printOriginals(TextOut& console, const std::vector<OriginalFinding>& findings);

}  // namespace report
