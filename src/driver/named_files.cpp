#include "driver/named_files.h"

#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/explanation.h"

namespace driver {

namespace {

// How deep below a named folder its .bgl files are looked for.
constexpr int kMaxFolderDepth = 32;

scan::NamedFileResult checkNamedFile(FileChecker& checker, const std::string& path) {
  scan::NamedFileResult result;
  const std::string name = platform::asciiLower(platform::fileNameOf(path));
  const platform::File file = platform::openForReading(path);
  result.opened = static_cast<bool>(file);
  if (result.opened) result.verdict = checker.check(file, name);
  return result;
}

// Every .bgl file (any letter case) of `folder` and its subfolders, folders
// first-come as the system lists them, depth first.
void collectBglFiles(const std::string& folder, int depth, std::vector<std::string>& files) {
  const platform::FolderContents contents = platform::listFolder(folder + platform::pathSeparator());
  const std::string base = contents.folder.empty() ? folder + platform::pathSeparator() : contents.folder;
  for (const std::string& name : contents.files) {
    if (platform::hasExtension(name, ".bgl")) files.push_back(base + name);
  }
  if (depth >= kMaxFolderDepth) return;
  for (const std::string& sub : contents.folders) collectBglFiles(base + sub, depth + 1, files);
}

void worsen(RunOutcome& outcome, const scan::NamedFileResult& result) {
  if (!result.opened) {
    outcome = RunOutcome::Failed;
  } else if (result.verdict.bad() && outcome != RunOutcome::Failed) {
    outcome = RunOutcome::BadFilesFound;
  }
}

}  // namespace

RunOutcome checkNamedFiles(FileChecker& checker, report::TextOut& console, const std::vector<std::string>& paths) {
  RunOutcome outcome = RunOutcome::NoBadFiles;
  for (const std::string& path : paths) {
    std::vector<std::string> files;
    const bool folder = !platform::isExistingFile(path) && platform::pathExists(path);
    if (folder) {
      collectBglFiles(path, 0, files);
      if (files.empty()) report::printEmptyNamedFolder(console, path);
    } else {
      files.push_back(path);
    }
    for (const std::string& file : files) {
      scan::NamedFileResult result = checkNamedFile(checker, file);
      result.missing = !result.opened && !folder && !platform::pathExists(file);
      worsen(outcome, result);
      report::printNamedFile(console, file, result);
    }
  }
  return outcome;
}

}  // namespace driver
