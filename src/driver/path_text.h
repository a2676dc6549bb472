#pragma once

#include <string>

#include "platform/platform.h"

namespace driver {

// `text` with the ASCII letters A to Z lowered; other bytes unchanged.
inline std::string asciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// True when `path` fits the path limit; longer paths are refused, never cut.
inline bool fitsPathLimit(const std::string& path) { return path.size() <= platform::kMaxPathLength; }

}  // namespace driver
