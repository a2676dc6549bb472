#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/run.h"
#include "platform/file_system.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  const bool terminal = platform::prepareStandardOutput();
  const platform::ConsoleCodePage codePage;
  report::TextOut console(stdout, terminal);
  platform::SystemFileSystem files;
  driver::RunState state(console, files);
  const std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
  const driver::CommandLine command = driver::readCommandLine(arguments);
  const driver::RunOutcome outcome = driver::runProgram(state, command, platform::currentFolder());
  // Nothing is left to tell the user about a console that cannot be written.
  (void)std::fflush(stdout);
  return driver::exitStatusOf(outcome);
}
