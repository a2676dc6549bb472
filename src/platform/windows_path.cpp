#include "platform/windows_path.h"

#include <algorithm>
#include <vector>

namespace platform {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isDriveLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The end of the component that starts at `from`: its next separator or the text's end.
std::size_t componentEnd(std::string_view text, std::size_t from) {
  while (from < text.size() && !isSeparator(text[from])) ++from;
  return from;
}

// The end of the run of separators that starts at `from`.
std::size_t separatorsEnd(std::string_view text, std::size_t from) {
  while (from < text.size() && isSeparator(text[from])) ++from;
  return from;
}

// The root of "\\server\share\...": both names with the separators after each.
std::size_t uncRootLength(std::string_view text) {
  const std::size_t share = separatorsEnd(text, componentEnd(text, 2));
  return separatorsEnd(text, componentEnd(text, share));
}

}  // namespace

WindowsPathStart windowsPathStart(std::string_view text) {
  const bool doubleSeparator = text.size() >= 2 && isSeparator(text[0]) && isSeparator(text[1]);
  if (doubleSeparator && text.size() >= 3 && (text[2] == '.' || text[2] == '?') &&
      (text.size() == 3 || isSeparator(text[3]))) {
    return {WindowsPathKind::Device, std::min<std::size_t>(text.size(), 4)};
  }
  if (doubleSeparator) return {WindowsPathKind::Unc, uncRootLength(text)};
  if (!text.empty() && isSeparator(text[0])) return {WindowsPathKind::Rooted, 1};
  if (text.size() >= 2 && isDriveLetter(text[0]) && text[1] == ':') {
    if (text.size() >= 3 && isSeparator(text[2])) return {WindowsPathKind::DriveAbsolute, 3};
    return {WindowsPathKind::DriveRelative, 2};
  }
  return {WindowsPathKind::Relative, 0};
}

std::string collapsedPath(std::string_view path, std::size_t rootLength, char separator) {
  std::vector<std::string_view> kept;
  bool endsWithSeparator = false;
  for (std::size_t start = rootLength; start < path.size();) {
    const std::size_t end = std::min(path.find(separator, start), path.size());
    std::string_view component = path.substr(start, end - start);
    endsWithSeparator = end < path.size();
    start = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    if (endsWithSeparator && component.back() == '.') component.remove_suffix(1);
    if (!component.empty()) kept.push_back(component);
  }
  // The dots and blanks that end the path go; a component of nothing else
  // leaves the separator before it.
  while (!endsWithSeparator && !kept.empty()) {
    std::string_view& last = kept.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.remove_suffix(1);
    if (!last.empty()) break;
    kept.pop_back();
    endsWithSeparator = true;
  }
  std::string collapsed(path.substr(0, rootLength));
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i > 0 || (!collapsed.empty() && collapsed.back() != separator)) collapsed.push_back(separator);
    collapsed.append(kept[i]);
  }
  if (endsWithSeparator && !kept.empty()) collapsed.push_back(separator);
  return collapsed;
}

std::string withoutParentsAbove(std::string_view relative, std::size_t depth) {
  std::string kept;
  for (std::size_t start = 0; start <= relative.size();) {
    const std::size_t end = componentEnd(relative, start);
    const std::string_view component = relative.substr(start, end - start);
    const std::string_view withSeparator = relative.substr(start, std::min(end + 1, relative.size()) - start);
    start = end + 1;
    if (component == ".." && depth == 0) continue;
    if (component == "..") {
      --depth;
    } else if (!component.empty() && component != ".") {
      ++depth;
    }
    kept.append(withSeparator);
  }
  return kept;
}

std::size_t foldersBelowRoot(std::string_view path, std::size_t rootLength, char separator) {
  const std::string collapsed = collapsedPath(path, rootLength, separator);
  std::size_t folders = 0;
  for (std::size_t at = std::min(rootLength, collapsed.size()); at < collapsed.size();) {
    const std::size_t end = std::min(collapsed.find(separator, at), collapsed.size());
    if (end > at) ++folders;
    at = end + 1;
  }
  return folders;
}

}  // namespace platform
