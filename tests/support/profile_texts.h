#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// How a Scenery.cfg text is stored: the ANSI bytes themselves, or, as
// Notepad saves "UTF-8" and "Unicode", behind a byte-order mark.
enum class TextForm { Ansi, Utf8Bom, Utf16Le, Utf16Be };

// An ANSI text whose only characters beyond ASCII are Latin-1 ones and the
// euro sign, stored in `form`.
std::string storedAs(std::string_view ansiText, TextForm form);

// `text` with each CR LF replaced by `lineEnd`.
std::string withLineEnds(std::string_view text, std::string_view lineEnd);

struct ProfileText {
  std::string bytes;        // the file as stored
  std::string description;  // how it was made, for failure messages
};

// Scenery.cfg files in the forms real ones take: the simulator's own shape
// and hand-edited ones (blanks and tabs round names and values, quotes,
// headers without ']', repeated sections and keys, lines without '=', Ctrl-Z
// and NUL bytes), with every line end and storage form, and then random
// mutations of them until there are `count`. The same seed gives the same texts.
std::vector<ProfileText> profileTexts(std::size_t count, unsigned seed);

}  // namespace testsupport
