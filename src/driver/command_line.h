#pragma once

#include <string>
#include <vector>

namespace driver {

// What the command line asks for.
struct CommandLine {
  enum class Form {
    Scan,           // the scan of the installation
    Files,          // only the named files (and the .bgl files in named folders) are checked
    Help,           // --help, -h, -? or /?
    Version,        // --version
    Undo,           // --undo: the latest restore is undone
    UnknownOption,  // an option Trawlex does not know: refused, nothing run
  };
  Form form = Form::Scan;
  bool explain = false;            // --explain: the scan says what it scanned and why files failed
  bool originals = false;          // --originals: the scan then looks for originals of the bad files
  bool restore = false;            // --restore: ... and puts the verified ones in place
  std::vector<std::string> files;  // for Files: every argument that is not an option
  std::vector<std::string> places; // for --originals and --restore: every argument that is not an option
  std::string unknownOption;       // for UnknownOption: the first one given
};

// Reads the arguments after the program's name. The first help or --version
// wins; then an option Trawlex does not know is refused; then --undo;
// otherwise --originals asks for the scan and the search for originals, and
// --restore for both and the restore, every argument that is not an option
// being a place to search; otherwise any argument that is not an option
// makes the file form, every such argument a file or folder to check. With
// the scan, --explain anywhere asks for the explanation.
CommandLine readCommandLine(const std::vector<std::string>& arguments);

}  // namespace driver
