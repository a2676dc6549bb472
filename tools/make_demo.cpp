// Lays out a small synthetic FS2002 installation with sound and broken
// facility files, and places the program in its Tools folder, so that a
// newcomer can watch a whole run: make_demo <folder> <program>.
// make_demo --wine-prefix <folder> <program> lays it out as it sits on Linux:
// on drive C of a 64-bit Wine prefix, registered in the prefix's registry,
// with an add-on area that its installer wrote as an absolute path.
// Beside the installation, CD holds originals of its two broken stock files,
// for --originals and --restore to find.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "support/bgl_builder.h"
#include "support/crc_forge.h"
#include "support/install_builder.h"
#include "support/prefix_builder.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;

Bytes altered(Bytes bytes) {
  bytes[40] ^= 0x10;
  return bytes;
}

// A file cut short, as a broken download or copy leaves it.
Bytes truncated(Bytes bytes) {
  bytes.resize(bytes.size() - 4);
  return bytes;
}

void layOutDemo(InstallBuilder& install, const std::string& addonArea) {
  install.config({{areaSection(1), "Scenery\\World"},
                  {areaSection(2), addonArea},
                  {areaSection(3), "Addon Scenery\\Not Installed"}});
  const std::string world = "Scenery/World/scenery/";
  install.file(world + "geopol07.bgl", withCrc32(soundFacilityFile(), 0x6C40A47E))
      .file(world + "way003.bgl", withCrc32(soundFacilityFile(), 0x15048FEB))
      .file(world + "BV42301.BGL", withCrc32(soundFacilityFile(), 0xAF77A480))
      .file(world + "geopol12.bgl", altered(withCrc32(soundFacilityFile(), 0x1C7B948D)))
      .file(world + "eurnwafd.bgl", truncated(soundFacilityFile()));
  for (int i = 0; i < 8; ++i) install.file(world + "texture" + std::to_string(i) + ".bgl", plainBglFile(4096));
  const std::string addon = "Addon Scenery/Demo Field/scenery/";
  install.file(addon + "demofield.bgl", soundFacilityFile()).file(addon + "brokenfield.bgl", faultyFacilityFile());
  const std::filesystem::path cd = install.host().parent_path() / "CD";
  writeBytes(cd / "Scenery" / "geopol12.bgl", withCrc32(soundFacilityFile(), 0x1C7B948D));
  writeBytes(cd / "Scenery" / "eurnwafd.bgl", soundFacilityFile());
}

// The installation on drive C of a Wine prefix in `folder`, where a Windows
// user's FS2002 would be after copying it over, as its setup registered it.
std::filesystem::path layOutPrefixDemo(const std::filesystem::path& folder, const std::string& program) {
  PrefixBuilder prefix(folder / "wineprefix", true);
  InstallBuilder install{prefix.driveC() / "Games"};
  prefix.exePath("C:\\Games\\FS2002\\");
  layOutDemo(install, "C:\\Games\\FS2002\\Addon Scenery\\Demo Field");
  return install.installProgram(program);
}

}  // namespace

int main(int argc, char** argv) {
  const bool inPrefix = argc == 4 && std::string(argv[1]) == "--wine-prefix";
  if (argc != 3 && !inPrefix) {
    std::fprintf(stderr, "usage: make_demo [--wine-prefix] <folder> <program>\n");
    return 2;
  }
  try {
    std::filesystem::path program;
    if (inPrefix) {
      program = layOutPrefixDemo(argv[2], argv[3]);
    } else {
      InstallBuilder install{std::filesystem::path(argv[1])};
      layOutDemo(install, "Addon Scenery\\Demo Field");
      program = install.installProgram(argv[2]);
    }
    std::printf("%s\n", program.string().c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "make_demo: %s\n", error.what());
    return 1;
  }
  return 0;
}
