// Lays out a small synthetic FS2002 installation with sound and broken
// facility files, and places the program in its Tools folder, so that a
// newcomer can watch a whole run: make_demo <folder> <program>.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "support/bgl_builder.h"
#include "support/crc_forge.h"
#include "support/install_builder.h"

namespace {

using namespace testsupport;

Bytes altered(Bytes bytes) {
  bytes[40] ^= 0x10;
  return bytes;
}

void layOutDemo(InstallBuilder& install) {
  install.config({{areaSection(1), "Scenery\\World"},
                  {areaSection(2), "Addon Scenery\\Demo Field"},
                  {areaSection(3), "Addon Scenery\\Not Installed"}});
  const std::string world = "Scenery/World/scenery/";
  install.file(world + "geopol07.bgl", withCrc32(soundFacilityFile(), 0x6C40A47E))
      .file(world + "way003.bgl", withCrc32(soundFacilityFile(), 0x15048FEB))
      .file(world + "BV42301.BGL", withCrc32(soundFacilityFile(), 0xAF77A480))
      .file(world + "geopol12.bgl", altered(withCrc32(soundFacilityFile(), 0x1C7B948D)))
      .file(world + "eurnwafd.bgl", faultyFacilityFile());
  for (int i = 0; i < 8; ++i) install.file(world + "texture" + std::to_string(i) + ".bgl", plainBglFile(4096));
  const std::string addon = "Addon Scenery/Demo Field/scenery/";
  install.file(addon + "demofield.bgl", soundFacilityFile()).file(addon + "brokenfield.bgl", faultyFacilityFile());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_demo <folder> <program>\n");
    return 2;
  }
  try {
    InstallBuilder install{std::filesystem::path(argv[1])};
    layOutDemo(install);
    std::printf("%s\n", install.installProgram(argv[2]).string().c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_demo: %s\n", error.what());
    return 1;
  }
  return 0;
}
