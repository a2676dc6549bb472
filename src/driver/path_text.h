#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace driver {

// Tells whether a byte begins a two-byte character of the ANSI code page
// (Japanese, Chinese and Korean editions of Windows); the byte after it is
// then a trail byte, which may look like an ASCII letter or a backslash.
using LeadByteTest = bool (*)(char);

// `text` with the ASCII letters A to Z lowered; other bytes, and the trail
// bytes of two-byte characters, unchanged.
std::string asciiLower(std::string text, LeadByteTest isLeadByte = platform::isLeadByte);

// Position of the last `separator` of `text` that is a character of its own
// (not the trail byte of a two-byte character), or npos.
std::size_t lastSeparator(std::string_view text, char separator, LeadByteTest isLeadByte = platform::isLeadByte);

// Length of `text` without its trailing characters that `trimmed` accepts;
// its first character always stays.
std::size_t lengthWithoutTrailing(std::string_view text, bool (*trimmed)(char),
                                  LeadByteTest isLeadByte = platform::isLeadByte);

// True when `path` fits the path limit; longer paths are refused, never cut.
inline bool fitsPathLimit(const std::string& path) { return path.size() <= platform::kMaxPathLength; }

}  // namespace driver
