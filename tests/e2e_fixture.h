#pragma once

// The fixture of the end-to-end tests: a synthetic installation in a
// temporary folder, the real program copied into its Tools folder, and the
// expected texts in the form the build under test writes them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/bgl_builder.h"
#include "support/crc_forge.h"
#include "support/expected_texts.h"
#include "support/install_builder.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace e2e {

using namespace testsupport;
namespace fs = std::filesystem;
namespace ex = testsupport::expected;

// `path` written with '/' turned into the separator of the build under test.
inline std::string native(std::string path) {
  for (char& c : path) {
    if (c == '/') c = platform::pathSeparator();
  }
  return path;
}

inline bool windowsBuild() { return platform::pathSeparator() == '\\'; }

class EndToEnd : public ::testing::Test {
 protected:
  ProgramRun run(Input input = Input::Closed) { return runWithArguments({}, input); }
  ProgramRun runWithArguments(const std::vector<std::string>& arguments, Input input = Input::Closed) {
    const fs::path program = install.installProgram(TRAWLEX_PROGRAM);
    return runProgram(program, temp.path(), input, {}, isolatedEnvironment(), arguments);
  }
  // On Linux, no Wine prefix of the machine's user: the run sees only the test's files.
  std::vector<std::string> isolatedEnvironment() const {
    if (windowsBuild()) return {};
    return {"WINEPREFIX=", "HOME=" + (temp.path() / "home").string()};
  }
  std::string listing() const { return readText(install.tools() / "FileList.txt"); }
  // The host folder as the program finds it: the parent of its Tools folder, unnormalised.
  std::string host() const { return fs::canonical(install.tools()).string() + native("/.."); }
  std::string tools() const { return fs::canonical(install.tools()).string(); }
  // Console output of a run that found the host folder.
  static std::string console(const std::string& counts, const std::string& verdict) {
    return std::string(ex::kBanner) + ex::kLocated + counts + ex::kCompleted + verdict + ex::kPrompt;
  }
  // The console of a run whose Scenery.cfg cannot be read: nothing scanned.
  std::string configError() const {
    return std::string(ex::kBanner) + ex::kLocated + configErrorLines() + ex::kPrompt;
  }
  std::string configErrorLines() const {
    return ex::kCantReadConfig + host() + native("/Scenery.cfg") + "\r\n" + ex::kCantReadConfigAdvice;
  }
  // The console of a scan that could open no file: no verdict.
  std::string nothingChecked(const std::string& counts = "") const {
    return std::string(ex::kBanner) + ex::kLocated + counts + ex::kCompleted + nothingCheckedLines() + ex::kPrompt;
  }
  std::string nothingCheckedLines() const {
    return ex::kNothingChecked + host() + native("/Scenery.cfg") + "\r\n" + ex::kNothingCheckedAdvice;
  }
  // The console's verdict when bad files were found but the listing could
  // not be created at `listingPath`: the listing's text is shown instead.
  static std::string listingShownHere(const std::string& listingPath, const std::string& listingText) {
    return "ERROR: Can't create listing file " + listingPath + "\r\n" + ex::kVerdictBadFirstLine + ex::kListingHere +
           listingText + "\r\n";
  }
  static std::string record(const std::string& path, bool stock) {
    return path + (stock ? "  (Stock file)\r\n" : "  (Add-on file)\r\n");
  }

  TempDir temp;
  InstallBuilder install{temp.path()};
};

}  // namespace e2e
