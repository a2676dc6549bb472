#include <cstdio>

#include "driver/run.h"
#include "platform/platform.h"

int main() {
  const bool terminal = platform::prepareStandardOutput();
  report::TextOut console(stdout, terminal);
  driver::RunState state(console);
  const driver::RunOutcome outcome = driver::runScan(state);
  // Nothing is left to tell the user about a console that cannot be written.
  (void)std::fflush(stdout);
  return driver::exitStatusOf(outcome);
}
