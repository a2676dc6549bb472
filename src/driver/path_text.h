#pragma once

#include <algorithm>
#include <string>

#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace driver {

// `text` with the ASCII letters A to Z lowered; other bytes unchanged.
inline std::string asciiLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), platform::foldAscii);
  return text;
}

// True when `path` fits the path limit; longer paths are refused, never cut.
inline bool fitsPathLimit(const std::string& path) { return path.size() <= platform::kMaxPathLength; }

}  // namespace driver
