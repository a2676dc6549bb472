#pragma once

#include <string>
#include <string_view>

// Conversions between the texts the installation holds and this system's
// names: FS2002 and the Windows "A" functions speak Windows-1252 (the ANSI
// code page of the Western editions), Wine names files in UTF-8, and the
// profile reader and the registry work in UTF-16 units.
namespace platform {

// Windows-1252 byte of a UTF-16 unit, as WideCharToMultiByte gives it: the
// unit's own, or its best fit (U+0141 "Ł" becomes "L"), or '?' where the
// code page has neither.
char ansiFromUnit(char16_t unit);

// The UTF-16 unit of a Windows-1252 byte, as MultiByteToWideChar gives it.
char16_t unitFromAnsi(char byte);

// True when `text` is well-formed UTF-8 (ASCII included).
bool isUtf8(std::string_view text);

// The code point of `text` when it is exactly one well-formed UTF-8
// sequence, else U+FFFD.
char32_t utf8CodePoint(std::string_view text);

// `text` read as Windows-1252 and written in UTF-8.
std::string utf8FromAnsi(std::string_view text);

// True when two UTF-8 names are the same name to Windows: every letter of
// code page 1252 compared in upper case, as Windows raises it ("München" is
// "MÜNCHEN"); every other character as it is.
bool sameNameFolded(std::string_view a, std::string_view b);

// `text` in UTF-8 turned into Windows-1252, a '?' for each character outside it.
std::string ansiFromUtf8(std::string_view text);

// Appends code point `code` to `out` in UTF-8 (surrogates and values beyond
// Unicode as U+FFFD).
void appendUtf8(std::string& out, char32_t code);

}  // namespace platform
