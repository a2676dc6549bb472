#pragma once

#include <string>

#include "driver/command_line.h"
#include "driver/run_state.h"

namespace driver {

// What the command line asks for: the usage text or the version, which end
// the run at once; or, between the banner and the ENTER prompt (which waits
// for one line of standard input or its end), the checks of the named files
// (a paragraph for each) or the scan: host folder, scan, listing and verdict,
// and with --explain the explanation. Places typed relative are read in
// `startFolder`, the folder the program was started in.
RunOutcome runProgram(RunState& state, const CommandLine& command, const std::string& startFolder);

// The process exit status that reports `outcome`: 0, 1 or 2.
int exitStatusOf(RunOutcome outcome);

}  // namespace driver
