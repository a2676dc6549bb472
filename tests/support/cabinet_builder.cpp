#include "support/cabinet_builder.h"

#include <cstdlib>
#include <stdexcept>

#include "support/temp_dir.h"

namespace testsupport {

void makeCabinet(const std::filesystem::path& cabinet, const std::vector<std::pair<std::string, Bytes>>& entries,
                 Compression compression) {
  // gcab stores each file under the relative path it was given, '/' written as '\'.
  const TempDir staging;
  std::string command = "cd '" + staging.path().string() + "' && gcab --create ";
  if (compression == Compression::Mszip) command += "--zip ";
  command += "'" + cabinet.string() + "'";
  for (const auto& [name, bytes] : entries) {
    std::string relative = name;
    for (char& c : relative) c = c == '\\' ? '/' : c;
    writeBytes(staging.path() / relative, bytes);
    command += " '" + relative + "'";
  }
  std::filesystem::create_directories(cabinet.parent_path());
  if (std::system(command.c_str()) != 0) throw std::runtime_error("gcab failed: " + command);
}

}  // namespace testsupport
