// Feeds Scenery.cfg-shaped bytes to the INI reader: the first byte picks
// where the file is cut into two pieces, the rest is the file. The answers
// must not depend on the cut, and a value is never longer than 999
// characters and never holds a line end.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/ini_text.h"

namespace {

const std::vector<std::string> kSections = {"Area.001", "Area.002", "Area.010", "Area.399", "General", ""};

std::vector<std::string> answers(std::string_view text, std::size_t cut) {
  platform::ProfileScan scan(kSections, "Local");
  scan.feed(text.substr(0, cut));
  scan.feed(text.substr(cut));
  return scan.finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<std::string> whole = answers(text, text.size());
  if (answers(text, data[0] % (text.size() + 1)) != whole) std::abort();
  for (const std::string& value : whole) {
    if (value.size() > platform::kMaxProfileValueLength) std::abort();
    if (value.find_first_of("\r\n") != std::string::npos) std::abort();
  }
  return 0;
}
