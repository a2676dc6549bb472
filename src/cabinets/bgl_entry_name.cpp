#include "cabinets/cabinet_reader.h"

#include "platform/path_text.h"

namespace cabinets {

bool isBglEntryName(std::string_view name) { return platform::hasExtension(name, ".bgl"); }

}  // namespace cabinets
