#include "platform/posix/wine_prefix.h"

#include "platform/path_text.h"
#include "platform/posix/posix_files.h"
#include "platform/text_encoding.h"

namespace platform::wine {

namespace {

using posix::isFolder;
using posix::resolvedPath;

bool holdsRegistry(const std::string& folder) { return posix::isRegularFile(folder + "/system.reg"); }

std::string parentOf(const std::string& folder) {
  const std::size_t slash = folder.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return folder.substr(0, slash);
}

std::string enclosingPrefix(std::string folder) {
  while (!folder.empty()) {
    if (holdsRegistry(folder) && isFolder(folder + "/dosdevices")) return folder;
    if (folder == "/") break;
    folder = parentOf(folder);
  }
  return {};
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (foldAscii(c) >= 'a' && foldAscii(c) <= 'f'); }

unsigned digitValue(char c) {
  return c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(foldAscii(c) - 'a' + 10);
}

// The escape at the start of `text` (after its backslash): its code point,
// with `text` moved past it.
char32_t unescape(std::string_view& text) {
  const char c = text.front();
  text.remove_prefix(1);
  switch (c) {
    case 'a': return 0x07;
    case 'b': return 0x08;
    case 'e': return 0x1B;
    case 'f': return 0x0C;
    case 'n': return 0x0A;
    case 'r': return 0x0D;
    case 't': return 0x09;
    case 'v': return 0x0B;
    default: break;
  }
  char32_t code = 0;
  if (c == 'x') {
    for (int i = 0; i < 4 && !text.empty() && isHexDigit(text.front()); ++i, text.remove_prefix(1)) {
      code = code * 16 + digitValue(text.front());
    }
    return code;
  }
  if (c >= '0' && c <= '7') {
    code = digitValue(c);
    for (int i = 1; i < 3 && !text.empty() && text.front() >= '0' && text.front() <= '7'; ++i, text.remove_prefix(1)) {
      code = code * 8 + digitValue(text.front());
    }
    return code;
  }
  return static_cast<unsigned char>(c);
}

// The escaped text at the start of `text` up to an unescaped `end`, undone
// into UTF-8; `text` moves past `end`. Nothing when `end` never comes.
std::optional<std::string> escapedText(std::string_view& text, char end) {
  std::string out;
  while (!text.empty()) {
    const char c = text.front();
    text.remove_prefix(1);
    if (c == end) return out;
    if (c == '\\' && !text.empty()) {
      appendUtf8(out, unescape(text));
    } else {
      out.push_back(c);  // raw bytes are UTF-8 already
    }
  }
  return std::nullopt;
}

// The lines of a registry text, without their line ends.
class Lines {
 public:
  explicit Lines(std::string_view text) : rest_(text) {}
  bool next(std::string_view& line) {
    if (rest_.empty()) return false;
    const std::size_t end = rest_.find('\n');
    line = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }

 private:
  std::string_view rest_;
};

bool isKeyLine(std::string_view line, std::string_view keyPath) {
  line.remove_prefix(1);  // '['
  const std::optional<std::string> name = escapedText(line, ']');
  return name && sameAsciiFolded(*name, keyPath);
}

// The string a value line gives when it names `valueName`; `named` tells
// whether it does.
std::optional<std::string> valueLineText(std::string_view line, std::string_view valueName, bool& named) {
  line.remove_prefix(1);  // '"'
  const std::optional<std::string> name = escapedText(line, '"');
  named = name && sameAsciiFolded(*name, valueName) && !line.empty() && line.front() == '=';
  if (!named) return std::nullopt;
  line.remove_prefix(1);
  constexpr std::string_view kExpandable = "str(2):";
  if (line.substr(0, kExpandable.size()) == kExpandable) line.remove_prefix(kExpandable.size());
  if (line.empty() || line.front() != '"') return std::nullopt;
  line.remove_prefix(1);
  return escapedText(line, '"');
}

}  // namespace

std::string findPrefix(const std::string& ownFolder, const char* winePrefixVariable, const char* homeVariable) {
  if (std::string enclosing = enclosingPrefix(ownFolder); !enclosing.empty()) return enclosing;
  std::string chosen;
  if (winePrefixVariable != nullptr && *winePrefixVariable != '\0') {
    chosen = winePrefixVariable;
  } else if (homeVariable != nullptr && *homeVariable != '\0') {
    chosen = std::string(homeVariable) + "/.wine";
  }
  return !chosen.empty() && holdsRegistry(chosen) ? chosen : std::string();
}

std::string drivePathOnDisk(const std::string& prefix, std::string_view text) {
  if (!isDrivePath(text)) return {};
  // Without a prefix, drive Z: stands for the root, as in every new prefix.
  const char letter = foldAscii(text[0]);
  const std::string target = prefix.empty() ? std::string(letter == 'z' ? "/" : "")
                                            : resolvedPath(prefix + "/dosdevices/" + letter + ":");
  if (target.empty()) return {};
  std::string path = target;
  if (path.back() != '/') path.push_back('/');
  for (const char c : text.substr(3)) {
    const char next = c == '\\' ? '/' : c;
    if (next != '/' || path.back() != '/') path.push_back(next);
  }
  if (path.size() > 1 && path.back() == '/' && text.size() == 3) path.pop_back();  // the drive itself
  return path;
}

bool isWin64Registry(std::string_view registry) {
  Lines lines(registry);
  std::string_view line;
  while (lines.next(line)) {
    if (line == "#arch=win64") return true;
    if (!line.empty() && line.front() == '[') break;  // the mark stands before the first key
  }
  return false;
}

std::optional<std::string> registryString(std::string_view registry, std::string_view keyPath,
                                          std::string_view valueName) {
  Lines lines(registry);
  std::string_view line;
  bool inKey = false;
  while (lines.next(line)) {
    if (line.empty()) continue;
    if (line.front() == '[') {
      inKey = isKeyLine(line, keyPath);
    } else if (inKey && line.front() == '"') {
      bool named = false;
      std::optional<std::string> text = valueLineText(line, valueName, named);
      if (named) return text;
    }
  }
  return std::nullopt;
}

}  // namespace platform::wine
