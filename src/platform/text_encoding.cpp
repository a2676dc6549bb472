#include "platform/text_encoding.h"

#include <algorithm>
#include <array>

#include "platform/code_page_1252.h"
#include "platform/path_text.h"

namespace platform {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five the code page leaves undefined
// map to the C1 controls of the same value, as Windows maps them.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t utf8SequenceLength(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!isContinuation(byte(i))) return 0;
  }
  return length;
}

}  // namespace

char32_t utf8CodePoint(std::string_view text) {
  if (text.empty() || utf8SequenceLength(text) != text.size()) return 0xFFFD;
  const auto byte = [&text](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(text[i])); };
  if (text.size() == 1) return byte(0);
  char32_t code = byte(0) & (0x7FU >> text.size());
  for (std::size_t i = 1; i < text.size(); ++i) code = (code << 6) | (byte(i) & 0x3FU);
  return code;
}

char ansiFromUnit(char16_t unit) {
  if (unit < 0x80) return static_cast<char>(unit);
  const auto found = std::lower_bound(cp1252::kBestFit.begin(), cp1252::kBestFit.end(), unit,
                                      [](const cp1252::BestFit& entry, char16_t wanted) { return entry.unit < wanted; });
  return found != cp1252::kBestFit.end() && found->unit == unit ? static_cast<char>(found->byte) : '?';
}

char16_t unitFromAnsi(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  if (value >= 0x80 && value <= 0x9F) return kHighControls[value - 0x80U];
  return value;
}

bool isUtf8(std::string_view text) {
  while (!text.empty()) {
    const std::size_t length = utf8SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

void appendUtf8(std::string& out, char32_t code) {
  if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
  const auto put = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
  if (code < 0x80) {
    put(code);
  } else if (code < 0x800) {
    put(0xC0 | (code >> 6));
    put(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    put(0xE0 | (code >> 12));
    put(0x80 | ((code >> 6) & 0x3F));
    put(0x80 | (code & 0x3F));
  } else {
    put(0xF0 | (code >> 18));
    put(0x80 | ((code >> 12) & 0x3F));
    put(0x80 | ((code >> 6) & 0x3F));
    put(0x80 | (code & 0x3F));
  }
}

std::string utf8FromAnsi(std::string_view text) {
  std::string out;
  for (const char c : text) appendUtf8(out, unitFromAnsi(c));
  return out;
}

namespace {

// The character `code` as names are compared: a letter of code page 1252 in
// upper case, as Windows raises it; anything else as it is.
char32_t comparedCharacter(char32_t code) {
  if (code < 0x80) return static_cast<unsigned char>(upperAscii(static_cast<char>(code)));
  if (code > 0xFFFF) return code;
  const char byte = ansiFromUnit(static_cast<char16_t>(code));
  if (unitFromAnsi(byte) != code) return code;  // no character of the code page, only a look-alike
  return unitFromAnsi(static_cast<char>(cp1252::kUpper[static_cast<unsigned char>(byte)]));
}

// The next character of `text`, taken from it: a byte that begins no
// well-formed sequence stands for itself, apart from every code point.
char32_t takeCharacter(std::string_view& text) {
  const std::size_t length = utf8SequenceLength(text);
  if (length == 0) {
    const char32_t alone = 0x110000U + static_cast<unsigned char>(text.front());
    text.remove_prefix(1);
    return alone;
  }
  const char32_t code = utf8CodePoint(text.substr(0, length));
  text.remove_prefix(length);
  return code;
}

}  // namespace

bool sameNameFolded(std::string_view a, std::string_view b) {
  while (!a.empty() && !b.empty()) {
    if (comparedCharacter(takeCharacter(a)) != comparedCharacter(takeCharacter(b))) return false;
  }
  return a.empty() && b.empty();
}

std::string ansiFromUtf8(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const std::size_t length = std::max<std::size_t>(utf8SequenceLength(text), 1);
    const char32_t code = utf8CodePoint(text.substr(0, length));
    out.push_back(code > 0xFFFF ? '?' : ansiFromUnit(static_cast<char16_t>(code)));
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace platform
