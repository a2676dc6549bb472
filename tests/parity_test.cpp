// Parity: the same installations scanned by the Linux program and by the
// Windows program under Wine give the same console bytes, listing bytes and
// exit status once Wine's Z:\ paths are written as Linux paths.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/bgl_builder.h"
#include "support/crc_forge.h"
#include "support/install_builder.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

struct Outcome {
  std::string console;
  std::string listing;
  int exitStatus = -1;
};

// Runs `program` from the installation's Tools folder, after removing what an
// earlier run left there.
Outcome scan(InstallBuilder& install, const fs::path& workingFolder, const fs::path& program,
             const std::vector<std::string>& launcher) {
  std::error_code ignored;
  fs::remove(install.tools() / "FileList.txt", ignored);
  const ProgramRun run = runProgram(install.installProgram(program), workingFolder, Input::Closed, launcher);
  fs::remove(install.tools() / program.filename(), ignored);
  return {run.output, readText(install.tools() / "FileList.txt"), run.exitStatus};
}

// `text` with every Wine path under `root` ("Z:\tmp\..." for "/tmp/...")
// written as the Linux path; a path ends at a record's label or a line end.
std::string asLinuxPaths(std::string text, const std::string& root) {
  std::string wineRoot = "Z:" + root;
  for (char& c : wineRoot) c = c == '/' ? '\\' : c;
  for (std::size_t at = text.find(wineRoot); at != std::string::npos; at = text.find(wineRoot, at)) {
    text.erase(at, 2);
    const std::size_t end = std::min(text.find("  (", at), text.find('\r', at));
    for (std::size_t i = at; i < end && i < text.size(); ++i) text[i] = text[i] == '\\' ? '/' : text[i];
  }
  return text;
}

using Layout = std::function<void(InstallBuilder&)>;

void expectParity(const Layout& layOut) {
  TempDir temp;
  InstallBuilder install{temp.path()};
  layOut(install);
  const Outcome linux = scan(install, temp.path(), TRAWLEX_PROGRAM, {});
  const Outcome windows = scan(install, temp.path(), TRAWLEX_WINDOWS_PROGRAM, {TRAWLEX_WINE_RUN});
  const std::string root = fs::canonical(temp.path()).string();
  EXPECT_EQ(asLinuxPaths(windows.console, root), linux.console);
  EXPECT_EQ(asLinuxPaths(windows.listing, root), linux.listing);
  EXPECT_EQ(windows.exitStatus, linux.exitStatus);
  EXPECT_NE(linux.console.find("Trawlex for FS2002"), std::string::npos);
}

TEST(Parity, NoHostFolder) {
  expectParity([](InstallBuilder& install) { fs::remove(install.host() / "SCENEDB"); });
}

TEST(Parity, CleanRun) {
  expectParity([](InstallBuilder& install) {
    install.config({{areaSection(1), "Scenery\\World"}})
        .file("Scenery/World/scenery/field.bgl", soundFacilityFile())
        .file("Scenery/World/scenery/geopol07.bgl", withCrc32(soundFacilityFile(), 0x6C40A47E));
  });
}

TEST(Parity, BothListsRunningCountAndRepeatedFolder) {
  expectParity([](InstallBuilder& install) {
    install.config({{areaSection(1), "Scenery\\World"}, {areaSection(7), "Addon Scenery\\Field"},
                    {areaSection(9), "Scenery\\World"}});
    for (int i = 0; i < 12; ++i) {
      install.file("Scenery/World/scenery/f" + std::to_string(i) + ".bgl", i % 4 ? plainBglFile(300) : soundFacilityFile());
    }
    install.file("Scenery/World/scenery/way001.bgl", faultyFacilityFile())
        .file("Scenery/World/scenery/geopol07.bgl", withCrc32(soundFacilityFile(), 0x1))
        .file("Addon Scenery/Field/scenery/broken.bgl", faultyFacilityFile())
        .file("Addon Scenery/Field/scenery/eurnwafd.bgl", faultyFacilityFile());
  });
}

TEST(Parity, BlockedListing) {
  expectParity([](InstallBuilder& install) {
    install.config({{areaSection(1), "A"}}).file("A/scenery/bad.bgl", faultyFacilityFile());
    fs::create_directories(install.tools() / "FileList.txt");
  });
}

}  // namespace
