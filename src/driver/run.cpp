#include "driver/run.h"

#include <cstdio>
#include <optional>

#include "driver/area_walk.h"
#include "driver/host_folder.h"
#include "driver/named_files.h"
#include "driver/path_text.h"
#include "platform/platform.h"
#include "report/listing.h"
#include "report/texts.h"

namespace driver {

namespace {

// `ownFolder` is nothing when the program's own path could not be read: the
// listing then goes nowhere, rather than into the root of some drive.
RunOutcome scanAndReport(RunState& state, const std::optional<std::string>& ownFolder) {
  state.console.print(report::kHostFolderFound);
  scanSceneryAreas(state);
  state.console.print(report::kScanCompleted);
  const std::string listingPath =
      ownFolder ? *ownFolder + platform::pathSeparator() + report::kListingFileName : std::string();
  const report::ListingOutcome listing = report::writeListing(listingPath, state.checks.lists, state.console);
  if (state.explain) report::printExplanation(state.console, state.areas, state.checks.lists);
  if (!listing.created) return RunOutcome::Failed;
  return listing.anyBad ? RunOutcome::BadFilesFound : RunOutcome::NoBadFiles;
}

void waitForEnter() {
  for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
  }
}

}  // namespace

std::string ownFolderOf(const std::string& programPath, char separator, LeadByteTest isLeadByte) {
  const std::size_t last = lastSeparator(programPath, separator, isLeadByte);
  return last == std::string::npos ? std::string() : programPath.substr(0, last);
}

RunOutcome runScan(RunState& state) {
  state.console.print(report::formatText(report::kBanner, report::kVersion));
  const std::string programPath = platform::programPath();
  std::optional<std::string> ownFolder;
  if (!programPath.empty()) {
    ownFolder = ownFolderOf(programPath, platform::pathSeparator());
    // The last host folder candidate is the parent of the current folder.
    platform::setCurrentFolder(*ownFolder);
  }
  state.paths = platform::systemPaths(ownFolder.value_or(std::string()));
  state.hostFolder = locateHostFolder(systemHostProbe(state.paths));
  RunOutcome outcome = RunOutcome::Failed;
  if (state.hostFolder.empty()) {
    state.console.print(report::kNoHostFolder);
  } else {
    outcome = scanAndReport(state, ownFolder);
  }
  state.console.print(report::kPressEnter);
  waitForEnter();
  return outcome;
}

RunOutcome runProgram(RunState& state, const CommandLine& command) {
  switch (command.form) {
    case CommandLine::Form::Help:
      state.console.print(report::formatText(report::kVersionLine, report::kVersion) + report::kUsage);
      return RunOutcome::Answered;
    case CommandLine::Form::Version:
      state.console.print(report::formatText(report::kVersionLine, report::kVersion));
      return RunOutcome::Answered;
    case CommandLine::Form::Files: {
      state.console.print(report::formatText(report::kBanner, report::kVersion));
      const RunOutcome outcome = checkNamedFiles(state, command.files);
      state.console.print(report::kPressEnter);
      waitForEnter();
      return outcome;
    }
    case CommandLine::Form::Scan:
      break;
  }
  state.explain = command.explain;
  return runScan(state);
}

int exitStatusOf(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Answered:
    case RunOutcome::NoBadFiles: return 0;
    case RunOutcome::BadFilesFound: return 1;
    case RunOutcome::Failed: return 2;
  }
  return 2;
}

}  // namespace driver
