#include "cabinets/cabinet_reader.h"

#include "platform/path_text.h"

namespace cabinets {

bool isBglEntryName(std::string_view name) {
  constexpr std::string_view kExtension = ".bgl";
  return name.size() >= kExtension.size() &&
         platform::sameAsciiFolded(name.substr(name.size() - kExtension.size()), kExtension);
}

}  // namespace cabinets
