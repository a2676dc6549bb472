#include "driver/command_line.h"

#include <algorithm>

namespace driver {

namespace {

constexpr const char* kHelpOption = "--help";
constexpr const char* kVersionOption = "--version";
constexpr const char* kExplainOption = "--explain";
constexpr const char* kOriginalsOption = "--originals";
constexpr const char* kRestoreOption = "--restore";
constexpr const char* kUndoOption = "--undo";

bool isOption(const std::string& argument) { return argument.size() > 1 && argument[0] == '-'; }

// The help under the names that Windows and Linux users try first.
bool asksForHelp(const std::string& argument) {
  return argument == kHelpOption || argument == "-h" || argument == "-?" || argument == "/?";
}

bool isKnownOption(const std::string& argument) {
  const auto options = {kHelpOption, kVersionOption, kExplainOption, kOriginalsOption, kRestoreOption, kUndoOption};
  return asksForHelp(argument) ||
         std::any_of(options.begin(), options.end(), [&](const char* option) { return argument == option; });
}

CommandLine formOnly(CommandLine::Form form) {
  CommandLine command;
  command.form = form;
  return command;
}

}  // namespace

CommandLine readCommandLine(const std::vector<std::string>& arguments) {
  CommandLine command;
  for (const std::string& argument : arguments) {
    if (asksForHelp(argument)) return formOnly(CommandLine::Form::Help);
    if (argument == kVersionOption) return formOnly(CommandLine::Form::Version);
  }
  const auto unknown = std::find_if(arguments.begin(), arguments.end(),
                                    [](const std::string& argument) { return isOption(argument) && !isKnownOption(argument); });
  if (unknown != arguments.end()) {
    command.form = CommandLine::Form::UnknownOption;
    command.unknownOption = *unknown;
    return command;
  }
  const auto has = [&arguments](const char* option) {
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
  };
  if (has(kUndoOption)) return formOnly(CommandLine::Form::Undo);
  for (const std::string& argument : arguments) {
    if (!isOption(argument)) command.files.push_back(argument);
  }
  command.restore = has(kRestoreOption);
  if (has(kOriginalsOption) || command.restore) {
    command.originals = true;
    command.places = std::move(command.files);
    command.files.clear();
    command.explain = has(kExplainOption);
    return command;
  }
  if (!command.files.empty()) {
    command.form = CommandLine::Form::Files;
    return command;
  }
  command.explain = has(kExplainOption);
  return command;
}

}  // namespace driver
