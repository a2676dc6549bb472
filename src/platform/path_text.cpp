#include "platform/path_text.h"

#include <algorithm>
#include <iterator>

namespace platform {

namespace {

// Calls `visit(start, length)` for each character of `text`, one or two bytes
// long; a lead byte at the very end stands alone.
template <typename Visit>
void forEachCharacter(std::string_view text, LeadByteTest isLeadByte, Visit visit) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = isLeadByte(text[at]) && at + 1 < text.size() ? 2 : 1;
    visit(at, length);
    at += length;
  }
}

}  // namespace

bool listedBefore(const std::string& a, const std::string& b) {
  const auto upperLess = [](char x, char y) {
    return static_cast<unsigned char>(upperAscii(x)) < static_cast<unsigned char>(upperAscii(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), upperLess)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), upperLess)) return false;
  return a < b;
}

std::string asciiFolded(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), foldAscii);
  return folded;
}

bool sameAsciiFolded(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return foldAscii(x) == foldAscii(y); });
}

bool hasExtension(std::string_view name, std::string_view extension) {
  return name.size() >= extension.size() && sameAsciiFolded(name.substr(name.size() - extension.size()), extension);
}

namespace {

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20; }

// True when a one-byte character of `text` is accepted by `refused`.
bool holdsRefused(std::string_view text, bool (*refused)(char), LeadByteTest isLeadByte) {
  bool found = false;
  forEachCharacter(text, isLeadByte, [&](std::size_t at, std::size_t length) {
    if (length == 1 && refused(text[at])) found = true;
  });
  return found;
}

}  // namespace

bool isNameWindowsCannotHold(std::string_view fileName, LeadByteTest isLeadByte) {
  constexpr auto refused = [](char c) { return isControl(c) || std::string_view("\\/:*\"<>|").find(c) != std::string_view::npos; };
  // No trail byte of a two-byte character is a dot or a blank.
  const bool trailing = !fileName.empty() && (fileName.back() == '.' || fileName.back() == ' ');
  return trailing || holdsRefused(fileName, refused, isLeadByte);
}

bool isPathWindowsRefuses(std::string_view text, LeadByteTest isLeadByte) {
  constexpr auto refused = [](char c) { return isControl(c) || std::string_view("*?\"<>|").find(c) != std::string_view::npos; };
  const bool namespaceStart = text.size() >= 4 && (text.substr(0, 4) == "\\\\?\\" || text.substr(0, 4) == "\\\\.\\");
  return holdsRefused(namespaceStart ? text.substr(4) : text, refused, isLeadByte);
}

bool isDeviceName(std::string_view fileName) {
  // The name before its first dot, without the blanks Windows drops there.
  std::string_view base = fileName.substr(0, fileName.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  constexpr std::string_view kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
  if (std::any_of(std::begin(kDevices), std::end(kDevices),
                  [base](std::string_view device) { return sameAsciiFolded(base, device); })) {
    return true;
  }
  const bool numbered = base.size() == 4 && base[3] >= '1' && base[3] <= '9';
  return numbered && (sameAsciiFolded(base.substr(0, 3), "com") || sameAsciiFolded(base.substr(0, 3), "lpt"));
}

std::string asciiLower(std::string text, LeadByteTest isLeadByte) {
  forEachCharacter(text, isLeadByte, [&text](std::size_t at, std::size_t length) {
    if (length == 1) text[at] = foldAscii(text[at]);
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

std::string folderOf(const std::string& path, char separator, LeadByteTest isLeadByte) {
  const std::size_t last = lastSeparator(path, separator, isLeadByte);
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string fileNameOf(const std::string& path, LeadByteTest isLeadByte) {
  std::size_t cut = lastSeparator(path, pathSeparator(), isLeadByte);
  const std::size_t slash = lastSeparator(path, '/', isLeadByte);
  if (cut == std::string::npos || (slash != std::string::npos && slash > cut)) cut = slash;
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool isDrivePath(std::string_view text) {
  return text.size() >= 3 && foldAscii(text[0]) >= 'a' && foldAscii(text[0]) <= 'z' && text[1] == ':' &&
         (text[2] == '\\' || text[2] == '/');
}

std::optional<std::string> joinPath(const SystemPaths& paths, std::initializer_list<std::string_view> parts) {
  std::string path;
  bool first = true;
  for (const std::string_view part : parts) {
    if (!first) path.push_back(pathSeparator());
    path.append(part);
    first = false;
  }
  if (!fitsPathLimit(paths, path)) return std::nullopt;
  return path;
}

std::optional<std::string> pathInFolder(const SystemPaths& paths, std::string_view folder, std::string_view name) {
  std::string path(folder);
  path.append(name);
  if (!fitsPathLimit(paths, path)) return std::nullopt;
  return path;
}

}  // namespace platform
