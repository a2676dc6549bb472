#include "driver/path_text.h"

#include "platform/text_encoding.h"

namespace driver {

namespace {

// Calls `visit(start, length)` for each character of `text`, one or two bytes long.
template <typename Visit>
void forEachCharacter(std::string_view text, LeadByteTest isLeadByte, Visit visit) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = isLeadByte(text[at]) && at + 1 < text.size() ? 2 : 1;
    visit(at, length);
    at += length;
  }
}

}  // namespace

std::string asciiLower(std::string text, LeadByteTest isLeadByte) {
  forEachCharacter(text, isLeadByte, [&text](std::size_t at, std::size_t length) {
    if (length == 1) text[at] = platform::foldAscii(text[at]);
  });
  return text;
}

std::size_t lastSeparator(std::string_view text, char separator, LeadByteTest isLeadByte) {
  std::size_t last = std::string_view::npos;
  forEachCharacter(text, isLeadByte, [&](std::size_t at, std::size_t length) {
    if (length == 1 && text[at] == separator) last = at;
  });
  return last;
}

std::size_t lengthWithoutTrailing(std::string_view text, bool (*trimmed)(char), LeadByteTest isLeadByte) {
  std::size_t keep = 0;
  forEachCharacter(text, isLeadByte, [&](std::size_t at, std::size_t length) {
    if (at == 0 || length == 2 || !trimmed(text[at])) keep = at + length;
  });
  return keep;
}

}  // namespace driver
