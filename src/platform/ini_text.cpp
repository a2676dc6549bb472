#include "platform/ini_text.h"

namespace platform {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  }
  return true;
}

// The next line of `text` without its line end; advances `text` past it.
std::string_view takeLine(std::string_view& text) {
  const std::size_t end = text.find('\n');
  std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string_view sectionName(std::string_view line) {
  line.remove_prefix(1);  // '['
  return trimBlanks(line.substr(0, line.find(']')));
}

std::string cleanValue(std::string_view value) {
  value = trimBlanks(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value.substr(0, kMaxProfileValueLength));
}

}  // namespace

std::string iniValue(std::string_view text, std::string_view section, std::string_view key) {
  bool inSection = false;
  bool sectionSeen = false;
  while (!text.empty()) {
    const std::string_view line = trimBlanks(takeLine(text));
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (sectionSeen) return {};  // only the first section of that name counts
      inSection = sameName(sectionName(line), section);
      sectionSeen = inSection;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (inSection && equals != std::string_view::npos && sameName(trimBlanks(line.substr(0, equals)), key)) {
      return cleanValue(line.substr(equals + 1));
    }
  }
  return {};
}

}  // namespace platform
