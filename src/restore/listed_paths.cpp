#include "restore/listed_paths.h"

#include <vector>

#include "platform/path_text.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"

namespace restore {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The components of a relative path, either separator; "." dropped, ".."
// taking the one before. Nothing when a ".." would climb above the start.
std::optional<std::vector<std::string>> components(std::string_view relative) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= relative.size(); ++i) {
    if (i < relative.size() && !isSeparator(relative[i])) continue;
    const std::string_view part = relative.substr(start, i - start);
    start = i + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.empty()) return std::nullopt;
      parts.pop_back();
      continue;
    }
    parts.emplace_back(part);
  }
  return parts;
}

std::string joined(const std::vector<std::string>& parts, char separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : std::string(1, separator)) + part;
  return text;
}

bool isWholePath(std::string_view text) {
  return platform::isDrivePath(text) || (!text.empty() && isSeparator(text.front()));
}

// True when a relative path text steps up anywhere: a list written by a
// restore never does, so such a path was written by hand.
bool stepsUp(std::string_view text) {
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = start;
    while (end < text.size() && !isSeparator(text[end])) ++end;
    if (text.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

std::string recordedTarget(const std::string& host, const std::string& target) {
  if (!host.empty() && target.starts_with(host) &&
      (target.size() == host.size() || isSeparator(host.back()) || isSeparator(target[host.size()]))) {
    if (const auto parts = components(std::string_view(target).substr(host.size()))) {
      return platform::utf8FromSystemText(joined(*parts, '\\'));
    }
  }
  return platform::utf8FromSystemText(target);
}

bool sameFolder(std::string_view a, std::string_view b) { return platform::sameNameFolded(a, b); }

std::optional<std::string> targetPath(const Manifest& manifest, const std::string& recorded, const std::string& host) {
  if (host.empty()) return std::nullopt;
  std::string_view text = recorded;
  const std::string hostText = platform::utf8FromSystemText(host);
  if (manifest.earlier() || isWholePath(text)) {
    // A whole path leads into this installation only where it was written for it.
    if (!manifest.earlier() && !sameFolder(manifest.host, hostText)) return std::nullopt;
    const std::size_t length = hostText.size();
    if (text.size() <= length || !sameFolder(text.substr(0, length), hostText) ||
        !(isSeparator(hostText.back()) || isSeparator(text[length]))) {
      return std::nullopt;
    }
    text.remove_prefix(length);
  }
  const std::optional<std::vector<std::string>> parts = components(text);
  if (stepsUp(text) || !parts || parts->empty()) return std::nullopt;
  const char separator = platform::pathSeparator();
  const std::string folder = isSeparator(host.back()) ? host : host + separator;
  return folder + platform::systemTextFromUtf8(joined(*parts, separator));
}

}  // namespace restore
