#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// How the program's standard input is given.
enum class Input {
  AtEnd,   // an empty input: the ENTER prompt meets end of input
  Closed,  // no standard input at all
};

struct ProgramRun {
  std::string output;  // every byte written to standard output
  int exitStatus = -1;
};

// Runs `program` with `arguments` in `workingFolder` and collects its
// output; with a `launcher` (POSIX only), runs `launcher... program` instead,
// as for a Windows program under Wine. `environment` entries ("NAME=value",
// POSIX only) are set for the program. On POSIX a program that still runs
// after two minutes is stopped (status 128 + SIGALRM), so a hang fails the test.
ProgramRun runProgram(const std::filesystem::path& program, const std::filesystem::path& workingFolder,
                      Input input = Input::Closed, const std::vector<std::string>& launcher = {},
                      const std::vector<std::string>& environment = {},
                      const std::vector<std::string>& arguments = {});

// Runs `command` (its first word the program's path) in `workingFolder` with
// no standard input and collects its output (POSIX only).
ProgramRun runCommand(const std::vector<std::string>& command, const std::filesystem::path& workingFolder);

}  // namespace testsupport
