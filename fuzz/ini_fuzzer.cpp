// Feeds Scenery.cfg-shaped bytes to the INI reader: the first byte picks
// where the file is cut into two pieces, the rest is the file. The answers
// and the outline must not depend on the cut, nor the answers on whether an
// outline is asked for; a value is never longer than 999 characters and
// never holds a line end; outline names are cut to their length and line
// numbers never go back.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini_text.h"

namespace {

const std::vector<std::string> kSections = {"Area.001", "Area.002", "Area.010", "Area.399", "General", ""};

// Writes down the outline, checking each name's length and that lines never go back.
struct Outline : platform::ProfileOutline {
  void section(std::string_view name, std::size_t line) override { take("[", name, "", line); }
  void key(std::string_view name, std::string_view value, std::size_t line) override { take("", name, value, line); }
  void take(const char* kind, std::string_view name, std::string_view value, std::size_t line) {
    if (name.size() > platform::kOutlineNameLength || line < lastLine || line == 0) std::abort();
    if (value.size() > platform::kMaxProfileValueLength) std::abort();
    lastLine = line;
    told += std::string(kind) + std::string(name) + '=' + std::string(value) + '@' + std::to_string(line) + '\n';
  }
  std::string told;
  std::size_t lastLine = 0;
};

std::vector<std::string> answers(std::string_view text, std::size_t cut, Outline* outline = nullptr) {
  platform::ProfileScan scan(kSections, "Local", outline);
  scan.feed(text.substr(0, cut));
  scan.feed(text.substr(cut));
  return scan.finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<std::string> whole = answers(text, text.size());
  const std::size_t cut = data[0] % (text.size() + 1);
  Outline outlineWhole, outlineCut;
  if (answers(text, cut) != whole || answers(text, text.size(), &outlineWhole) != whole) std::abort();
  (void)answers(text, cut, &outlineCut);
  if (outlineCut.told != outlineWhole.told) std::abort();
  for (const std::string& value : whole) {
    if (value.size() > platform::kMaxProfileValueLength) std::abort();
    if (value.find_first_of("\r\n") != std::string::npos) std::abort();
  }
  return 0;
}
