#include "driver/named_files.h"

#include "checks/classification.h"
#include "checks/stock_tables.h"
#include "driver/path_text.h"
#include "platform/platform.h"

namespace driver {

namespace {

// The name after the path's last separator; Windows paths may use '/' too.
std::string fileNameOf(const std::string& path) {
  std::size_t cut = lastSeparator(path, platform::pathSeparator());
  const std::size_t slash = lastSeparator(path, '/');
  if (cut == std::string::npos || (slash != std::string::npos && slash > cut)) cut = slash;
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

report::NamedFileResult checkNamedFile(RunState& state, const std::string& path) {
  report::NamedFileResult result;
  const std::string name = asciiLower(fileNameOf(path));
  result.verdict.isStock = checks::isStockFacilityName(name);
  const platform::FileHandle file{platform::openForReading(path)};
  result.opened = file != nullptr;
  if (!result.opened) return result;
  checks::FileBytes bytes(file.get(), state.checks.window);
  result.facility = checks::isFacilityFile(bytes, state.checks.facilityHeader);
  if (result.facility) result.verdict = checks::classifyFacilityFile(state.checks, bytes, name, path);
  return result;
}

}  // namespace

RunOutcome checkNamedFiles(RunState& state, const std::vector<std::string>& paths) {
  RunOutcome outcome = RunOutcome::NoBadFiles;
  for (const std::string& path : paths) {
    const report::NamedFileResult result = checkNamedFile(state, path);
    if (!result.opened) {
      outcome = RunOutcome::Failed;
    } else if (result.facility && result.verdict.bad() && outcome != RunOutcome::Failed) {
      outcome = RunOutcome::BadFilesFound;
    }
    report::printNamedFile(state.console, path, result);
  }
  return outcome;
}

}  // namespace driver
