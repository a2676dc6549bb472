#include "restore/manifest.h"

#include <cstdio>
#include <cstdlib>

namespace restore {

namespace {

constexpr std::string_view kTitle = "Trawlex restore";
constexpr std::string_view kRestoredState = "state\trestored";
constexpr std::string_view kUndoneState = "state\tundone";
constexpr std::string_view kFileTag = "file";
constexpr std::string_view kReadOnly = "read-only";
constexpr std::string_view kWritable = "writable";
constexpr std::string_view kEnd = "end";

std::string hex(std::uint32_t value) {
  char text[9];
  (void)std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

std::optional<std::uint32_t> parseHex(std::string_view text) {
  if (text.size() != 8) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : text) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::optional<ManifestEntry> parseEntry(std::string_view line) {
  const std::vector<std::string_view> fields = split(line, '\t');
  if (fields.size() != 7 || fields[0] != kFileTag) return std::nullopt;
  const std::optional<std::uint32_t> before = parseHex(fields[2]);
  const std::optional<std::uint32_t> after = parseHex(fields[3]);
  if (!before || !after || (fields[4] != kReadOnly && fields[4] != kWritable)) return std::nullopt;
  return ManifestEntry{std::string(fields[1]), *before, *after, fields[4] == kReadOnly, std::string(fields[5]),
                       std::string(fields[6])};
}

}  // namespace

bool fitsField(std::string_view text) { return text.find_first_of("\t\r\n") == std::string_view::npos; }

std::string manifestText(const Manifest& manifest) {
  std::string text = std::string(kTitle) + '\n' + std::string(manifest.undone ? kUndoneState : kRestoredState) + '\n';
  for (const ManifestEntry& entry : manifest.entries) {
    text += std::string(kFileTag) + '\t' + entry.backupName + '\t' + hex(entry.crcBefore) + '\t' +
            hex(entry.crcAfter) + '\t' + std::string(entry.readOnly ? kReadOnly : kWritable) + '\t' + entry.target +
            '\t' + entry.source + '\n';
  }
  // The last line tells that the list is whole.
  return text + std::string(kEnd) + '\n';
}

std::optional<Manifest> parseManifest(std::string_view text) {
  std::vector<std::string_view> lines = split(text, '\n');
  if (lines.size() < 4 || !lines.back().empty()) return std::nullopt;
  lines.pop_back();
  if (lines[0] != kTitle || lines.back() != kEnd) return std::nullopt;
  Manifest manifest;
  if (lines[1] == kUndoneState) {
    manifest.undone = true;
  } else if (lines[1] != kRestoredState) {
    return std::nullopt;
  }
  for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
    std::optional<ManifestEntry> entry = parseEntry(lines[i]);
    if (!entry) return std::nullopt;
    manifest.entries.push_back(std::move(*entry));
  }
  return manifest;
}

}  // namespace restore
