#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Longest value the profile reader returns (a 1000-byte buffer less its terminator).
inline constexpr std::size_t kMaxProfileValueLength = 999;

// Answers one question about INI text the way the Windows profile reader does
// for what Scenery.cfg files hold: the value of `key` in `section`, or empty
// text. Section and key names match without regard to ASCII letter case;
// blanks around names and values are trimmed; lines whose first non-blank is
// ';' are comments; CR LF and LF both end lines; a value wrapped in matching
// quotes is unwrapped. Only the first section of that name is searched, and
// its first matching key wins. Values are cut to kMaxProfileValueLength.
std::string iniValue(std::string_view text, std::string_view section, std::string_view key);

}  // namespace platform
