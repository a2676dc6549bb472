#include "driver/named_files.h"

#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/explanation.h"

namespace driver {

namespace {

report::NamedFileResult checkNamedFile(FileChecker& checker, const std::string& path) {
  report::NamedFileResult result;
  const std::string name = platform::asciiLower(platform::fileNameOf(path));
  const platform::FileHandle file{platform::openForReading(path)};
  result.opened = file != nullptr;
  if (result.opened) result.verdict = checker.check(file.get(), name);
  return result;
}

}  // namespace

RunOutcome checkNamedFiles(FileChecker& checker, report::TextOut& console, const std::vector<std::string>& paths) {
  RunOutcome outcome = RunOutcome::NoBadFiles;
  for (const std::string& path : paths) {
    const report::NamedFileResult result = checkNamedFile(checker, path);
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
