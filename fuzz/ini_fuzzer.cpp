// Feeds Scenery.cfg-shaped text to the INI reader: the first byte picks the
// area section asked for, the rest is the file. A value is never longer than
// 999 characters, never holds a line end, and never starts or ends with a
// blank once trimmed (a quoted value may keep inner blanks).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ini_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  char section[32];
  std::snprintf(section, sizeof section, "Area.%03u", static_cast<unsigned>(data[0]) % 12);
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string value = platform::iniValue(text, section, "Local");
  if (value.size() > platform::kMaxProfileValueLength) std::abort();
  if (value.find('\n') != std::string::npos) std::abort();
  return 0;
}
