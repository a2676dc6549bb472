#pragma once

#include <string>
#include <vector>

namespace driver {

// What the command line asks for. Arguments that are none of the forms below
// leave the run as it always was: the command line is then ignored.
struct CommandLine {
  enum class Form {
    Scan,     // the scan of the installation
    Files,    // only the named files are checked
    Help,     // --help
    Version,  // --version
    Undo,     // --undo: the latest restore is undone
  };
  Form form = Form::Scan;
  bool explain = false;            // --explain: the scan says what it scanned and why files failed
  bool originals = false;          // --originals: the scan then looks for originals of the bad files
  bool restore = false;            // --restore: ... and puts the verified ones in place
  std::vector<std::string> files;  // for Files: every argument that is not an option
  std::vector<std::string> places; // for --originals and --restore: every argument that is not an option
};

// Reads the arguments after the program's name. The first --help or
// --version wins; then --undo; otherwise --originals asks for the scan and
// the search for originals, and --restore for both and the restore, every
// argument that is not an option being a place to search;
// otherwise, when at least one argument that is not an option names an
// existing file (`isExistingFile`), every such argument is a file to check.
// With the scan, --explain anywhere asks for the explanation.
CommandLine readCommandLine(const std::vector<std::string>& arguments,
                            bool (*isExistingFile)(const std::string&));

}  // namespace driver
