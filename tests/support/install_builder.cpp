#include "support/install_builder.h"

#include <cstdio>

#include "support/temp_dir.h"

namespace testsupport {

namespace fs = std::filesystem;

std::string areaSection(unsigned number) {
  char name[32];
  std::snprintf(name, sizeof name, "Area.%03u", number);
  return name;
}

std::string sceneryConfig(const std::vector<AreaEntry>& areas) {
  std::string text = "[General]\r\nTitle=FS2002 World Scenery\r\nClean_on_Exit=TRUE\r\n";
  int layer = 1;
  for (const AreaEntry& area : areas) {
    text += "\r\n[" + area.section + "]\r\n";
    text += "Title=" + area.section + " scenery\r\n";
    text += "Local=" + area.local + "\r\n";
    text += "Layer=" + std::to_string(layer++) + "\r\nActive=TRUE\r\n";
  }
  return text;
}

InstallBuilder::InstallBuilder(const fs::path& root) : host_(root / "FS2002") {
  fs::create_directories(host_ / "SCENEDB");
  fs::create_directories(tools());
}

InstallBuilder& InstallBuilder::config(const std::vector<AreaEntry>& areas, const std::string& name) {
  writeText(host_ / name, sceneryConfig(areas));
  return *this;
}

InstallBuilder& InstallBuilder::file(const std::string& relative, const Bytes& bytes) {
  writeBytes(host_ / fs::path(relative), bytes);
  return *this;
}

fs::path InstallBuilder::installProgram(const fs::path& program) const {
  const fs::path copy = tools() / program.filename();
  fs::copy_file(program, copy, fs::copy_options::overwrite_existing);
  return copy;
}

}  // namespace testsupport
