#include "restore/manifest.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "checks/crc32_portable.h"

namespace restore {

namespace {

constexpr std::string_view kTitle = "Trawlex restore 2";
constexpr std::string_view kEarlierTitle = "Trawlex restore";
constexpr std::string_view kForm = "paths\tUTF-8, relative to the host folder, Windows separators";
constexpr std::string_view kNumberTag = "restore";
constexpr std::string_view kHostTag = "host";
constexpr std::string_view kStateTag = "state";
constexpr std::string_view kTemporaryTag = "temporary";
constexpr std::string_view kFileTag = "file";
constexpr std::string_view kReadOnly = "read-only";
constexpr std::string_view kWritable = "writable";
constexpr std::string_view kEnd = "end";

constexpr std::array<std::string_view, 4> kStateNames = {"restoring", "restored", "undoing", "undone"};

std::string_view stateName(RestoreState state) { return kStateNames[static_cast<std::size_t>(state)]; }

std::optional<RestoreState> stateNamed(std::string_view name) {
  for (std::size_t i = 0; i < kStateNames.size(); ++i) {
    if (kStateNames[i] == name) return static_cast<RestoreState>(i);
  }
  return std::nullopt;
}

std::string hex(std::uint32_t value) {
  char text[9];
  (void)std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

// Eight hex digits, either case.
std::optional<std::uint32_t> parseHex(std::string_view text) {
  if (text.size() != 8) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : text) {
    const char upper = c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    const int digit = upper >= '0' && upper <= '9' ? upper - '0' : upper >= 'A' && upper <= 'F' ? upper - 'A' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::optional<std::uint64_t> parseNumber(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
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

// The list's checksum: of its text with ASCII letters raised, so that hex
// digits retyped in lower case (or a path's letters, which Windows reads in
// any case) still prove it.
std::uint32_t textCrc(std::string_view text) {
  std::uint32_t crc = checks::kCrc32Initial;
  for (const char c : text) {
    const auto byte = static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    crc = checks::crc32Bytewise(crc, &byte, 1);
  }
  return ~crc;
}

// The value of a line "`tag`<tab>value".
std::optional<std::string_view> tagged(std::string_view line, std::string_view tag) {
  if (line.size() <= tag.size() || !line.starts_with(tag) || line[tag.size()] != '\t') return std::nullopt;
  return line.substr(tag.size() + 1);
}

std::optional<ManifestEntry> parseEntry(std::string_view line) {
  const std::vector<std::string_view> fields = split(line, '\t');
  if (fields.size() != 9 || fields[0] != kFileTag) return std::nullopt;
  const std::optional<std::uint32_t> before = parseHex(fields[2]);
  const std::optional<std::uint64_t> sizeBefore = parseNumber(fields[3]);
  const std::optional<std::uint32_t> after = parseHex(fields[4]);
  const std::optional<std::uint64_t> sizeAfter = parseNumber(fields[5]);
  if (!before || !sizeBefore || !after || !sizeAfter || (fields[6] != kReadOnly && fields[6] != kWritable)) {
    return std::nullopt;
  }
  return ManifestEntry{std::string(fields[1]), *before, *sizeBefore, *after, *sizeAfter, fields[6] == kReadOnly,
                       std::string(fields[7]), std::string(fields[8])};
}

// A line of an earlier version's list: no sizes, a whole path.
std::optional<ManifestEntry> parseEarlierEntry(std::string_view line) {
  const std::vector<std::string_view> fields = split(line, '\t');
  if (fields.size() != 7 || fields[0] != kFileTag) return std::nullopt;
  const std::optional<std::uint32_t> before = parseHex(fields[2]);
  const std::optional<std::uint32_t> after = parseHex(fields[3]);
  if (!before || !after || (fields[4] != kReadOnly && fields[4] != kWritable)) return std::nullopt;
  return ManifestEntry{std::string(fields[1]), *before, 0, *after, 0, fields[4] == kReadOnly, std::string(fields[5]),
                       std::string(fields[6])};
}

ManifestReading unreadable(ManifestProblem::Kind kind, std::size_t line = 0) { return {std::nullopt, {kind, line}}; }

// An earlier version's list: title, state, files, "end"; nothing proves it
// but its last line.
ManifestReading parseEarlier(const std::vector<std::string_view>& lines) {
  if (lines.size() < 3 || lines.back() != kEnd) return unreadable(ManifestProblem::Kind::CutShort);
  Manifest manifest;
  const std::optional<std::string_view> state = tagged(lines[1], kStateTag);
  if (!state || (*state != "restored" && *state != "undone")) {
    return unreadable(ManifestProblem::Kind::LineUnreadable, 2);
  }
  manifest.state = *state == "undone" ? RestoreState::Undone : RestoreState::Restored;
  for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
    std::optional<ManifestEntry> entry = parseEarlierEntry(lines[i]);
    if (!entry) return unreadable(ManifestProblem::Kind::LineUnreadable, i + 1);
    manifest.entries.push_back(std::move(*entry));
  }
  return {std::move(manifest), {}};
}

// The header lines after the title, each a tagged value, in their order.
bool parseHeader(const std::vector<std::string_view>& lines, Manifest& manifest, std::size_t& bad) {
  bad = 2;
  if (lines[1] != kForm) return false;
  const std::optional<std::string_view> number = tagged(lines[2], kNumberTag);
  bad = 3;
  if (!number || !parseNumber(*number)) return false;
  manifest.number = *parseNumber(*number);
  bad = 4;
  const std::optional<std::string_view> host = tagged(lines[3], kHostTag);
  if (!host) return false;
  manifest.host = std::string(*host);
  bad = 5;
  const std::optional<std::string_view> state = tagged(lines[4], kStateTag);
  const std::optional<RestoreState> named = state ? stateNamed(*state) : std::nullopt;
  if (!named) return false;
  manifest.state = *named;
  bad = 6;
  const std::optional<std::string_view> tag = tagged(lines[5], kTemporaryTag);
  if (!tag) return false;
  manifest.temporaryTag = std::string(*tag);
  return true;
}

constexpr std::size_t kHeaderLines = 6;

}  // namespace

bool fitsField(std::string_view text) { return text.find_first_of("\t\r\n") == std::string_view::npos; }

std::string manifestText(const Manifest& manifest) {
  std::string text = std::string(kTitle) + '\n' + std::string(kForm) + '\n';
  text += std::string(kNumberTag) + '\t' + std::to_string(manifest.number) + '\n';
  text += std::string(kHostTag) + '\t' + manifest.host + '\n';
  text += std::string(kStateTag) + '\t' + std::string(stateName(manifest.state)) + '\n';
  text += std::string(kTemporaryTag) + '\t' + manifest.temporaryTag + '\n';
  for (const ManifestEntry& entry : manifest.entries) {
    text += std::string(kFileTag) + '\t' + entry.backupName + '\t' + hex(entry.crcBefore) + '\t' +
            std::to_string(entry.sizeBefore) + '\t' + hex(entry.crcAfter) + '\t' + std::to_string(entry.sizeAfter) +
            '\t' + std::string(entry.readOnly ? kReadOnly : kWritable) + '\t' + entry.target + '\t' + entry.source +
            '\n';
  }
  // The last line proves the list whole and as written.
  return text + std::string(kEnd) + '\t' + hex(textCrc(text)) + '\n';
}

ManifestReading parseManifest(std::string_view text) {
  // Line ends as an editor may have left them: CR LF read as LF.
  std::string unified;
  unified.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) unified += text[i];
  }
  std::vector<std::string_view> lines = split(unified, '\n');
  if (lines.size() < 2 || !lines.back().empty()) return unreadable(ManifestProblem::Kind::CutShort);
  lines.pop_back();
  if (lines[0] == kEarlierTitle) return parseEarlier(lines);
  if (lines[0] != kTitle) return unreadable(ManifestProblem::Kind::LineUnreadable, 1);
  const std::optional<std::string_view> sum = tagged(lines.back(), kEnd);
  if (lines.size() < kHeaderLines + 1 || !sum) return unreadable(ManifestProblem::Kind::CutShort);
  const std::size_t sumAt = unified.size() - lines.back().size() - 1;
  const std::optional<std::uint32_t> written = parseHex(*sum);
  if (!written || *written != textCrc(std::string_view(unified).substr(0, sumAt))) {
    return unreadable(ManifestProblem::Kind::SumMismatch);
  }
  Manifest manifest;
  std::size_t bad = 0;
  if (!parseHeader(lines, manifest, bad)) return unreadable(ManifestProblem::Kind::LineUnreadable, bad);
  for (std::size_t i = kHeaderLines; i + 1 < lines.size(); ++i) {
    std::optional<ManifestEntry> entry = parseEntry(lines[i]);
    if (!entry) return unreadable(ManifestProblem::Kind::LineUnreadable, i + 1);
    manifest.entries.push_back(std::move(*entry));
  }
  return {std::move(manifest), {}};
}

}  // namespace restore
