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
  };
  Form form = Form::Scan;
  bool explain = false;            // --explain: the scan says what it scanned and why files failed
  bool originals = false;          // --originals: the scan then looks for originals of the bad files
  std::vector<std::string> files;  // for Files: every argument that is not an option
  std::vector<std::string> places; // for --originals: every argument that is not an option
};

// Reads the arguments after the program's name. The first --help or
// --version wins; otherwise --originals asks for the scan and the search for
// originals, every argument that is not an option being a place to search;
// otherwise, when at least one argument that is not an option names an
// existing file (`isExistingFile`), every such argument is a file to check.
// With the scan, --explain anywhere asks for the explanation.
CommandLine readCommandLine(const std::vector<std::string>& arguments,
                            bool (*isExistingFile)(const std::string&));

}  // namespace driver
