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
  static std::string console(const std::string& counts, const char* verdict) {
    return std::string(ex::kBanner) + ex::kLocated + counts + ex::kCompleted + verdict + ex::kPrompt;
  }
  static std::string record(const std::string& path, bool stock) {
    return path + (stock ? "  (Stock file)\r\n" : "  (Add-on file)\r\n");
  }

  TempDir temp;
  InstallBuilder install{temp.path()};
};

}  // namespace e2e
