#include "driver/named_files.h"

#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/explanation.h"

namespace driver {

namespace {

scan::NamedFileResult checkNamedFile(FileChecker& checker, const std::string& path) {
  scan::NamedFileResult result;
  const std::string name = platform::asciiLower(platform::fileNameOf(path));
  const platform::File file = platform::openForReading(path);
  result.opened = static_cast<bool>(file);
  if (result.opened) result.verdict = checker.check(file, name);
  return result;
}

}  // namespace

RunOutcome checkNamedFiles(FileChecker& checker, report::TextOut& console, const std::vector<std::string>& paths) {
  RunOutcome outcome = RunOutcome::NoBadFiles;
  for (const std::string& path : paths) {
    const scan::NamedFileResult result = checkNamedFile(checker, path);
    if (!result.opened) {
      outcome = RunOutcome::Failed;
    } else if (result.verdict.bad() && outcome != RunOutcome::Failed) {
      outcome = RunOutcome::BadFilesFound;
    }
    report::printNamedFile(console, path, result);
  }
  return outcome;
}

}  // namespace driver
