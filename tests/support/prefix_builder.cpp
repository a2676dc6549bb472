#include "support/prefix_builder.h"

#include <cstdio>

#include "support/temp_dir.h"

namespace testsupport {

namespace fs = std::filesystem;

namespace {

// The code point of the UTF-8 sequence at `text[at]`, with `at` moved past it.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at++);
  if (lead < 0x80) return lead;
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
  char32_t code = lead & (0x3FU >> extra);
  for (int i = 0; i < extra && at < text.size(); ++i) code = code << 6 | (byte(at++) & 0x3FU);
  return code;
}

std::string doubledBackslashes(std::string_view key) {
  std::string out;
  for (const char c : key) {
    out.push_back(c);
    if (c == '\\') out.push_back(c);
  }
  return out;
}

}  // namespace

std::string registryEscaped(std::string_view text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const char32_t code = nextCodePoint(text, at);
    if (code == '\\' || code == '"') {
      out += '\\';
      out += static_cast<char>(code);
    } else if (code == '\n') {
      out += "\\n";
    } else if (code >= 0x20 && code < 0x7F) {
      out += static_cast<char>(code);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%04x", static_cast<unsigned>(code));
      out += escape;
    }
  }
  return out;
}

PrefixBuilder::PrefixBuilder(fs::path folder, bool win64) : folder_(std::move(folder)), win64_(win64) {
  fs::create_directories(driveC());
  fs::create_directories(folder_ / "dosdevices");
  drive('c', "../drive_c");
  drive('z', "/");
  value("Software\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", "\"6.1\"");
}

PrefixBuilder& PrefixBuilder::value(const std::string& key, const std::string& name, const std::string& data) {
  auto found = keys_.begin();
  while (found != keys_.end() && found->path != key) ++found;
  if (found == keys_.end()) found = keys_.insert(keys_.end(), Key{key, {}});
  found->lines.push_back("\"" + registryEscaped(name) + "\"=" + data);
  writeRegistry();
  return *this;
}

PrefixBuilder& PrefixBuilder::exePath(const std::string& windowsPath) {
  return value(win64_ ? kFsRegistryKey32 : kFsRegistryKey, "EXE Path", "\"" + registryEscaped(windowsPath) + "\"");
}

PrefixBuilder& PrefixBuilder::drive(char letter, const fs::path& target) {
  const fs::path entry = folder_ / "dosdevices" / (std::string(1, letter) + ":");
  std::error_code ignored;
  fs::remove(entry, ignored);
  fs::create_directory_symlink(target, entry);
  return *this;
}

void PrefixBuilder::writeRegistry() const {
  std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
  text += win64_ ? "#arch=win64\n" : "#arch=win32\n";
  for (const Key& key : keys_) {
    text += "\n[" + doubledBackslashes(key.path) + "] 1700000000\n#time=1da0000000000000\n";
    for (const std::string& line : key.lines) text += line + "\n";
  }
  writeText(folder_ / "system.reg", text);
}

}  // namespace testsupport
