#include "driver/run.h"

#include <cstdio>
#include <optional>

#include "driver/area_walk.h"
#include "driver/config_survey.h"
#include "driver/host_folder.h"
#include "driver/named_files.h"
#include "originals/original_search.h"
#include "platform/path_text.h"
#include "platform/platform.h"
#include "report/explanation.h"
#include "report/listing.h"
#include "report/originals.h"
#include "report/texts.h"

namespace driver {

namespace {

// Finds, once, the program's own folder (made the current folder: the last
// host folder candidate is its parent), where Windows paths lead, and the
// host folder.
void locateInstallation(RunRequest& request) {
  const std::string programPath = platform::programPath();
  if (!programPath.empty()) {
    request.ownFolder = platform::folderOf(programPath, platform::pathSeparator());
    platform::setCurrentFolder(*request.ownFolder);
  }
  request.paths = platform::systemPaths(request.ownFolder.value_or(std::string()));
  request.hostFolder = locateHostFolder(systemHostProbe(request.paths));
}

// The listing's path beside the program; empty text when the program's own
// folder is unknown (the listing then goes nowhere, rather than into the
// root of some drive). A path too long is kept whole, for the report to
// refuse and name.
std::string listingPath(const RunRequest& request) {
  if (!request.ownFolder) return {};
  return *request.ownFolder + platform::pathSeparator() + report::kListingFileName;
}

void explainIfAsked(RunState& state, const std::string& configPath) {
  if (!state.request.command.explain) return;
  const report::ConfigSurvey config = surveyConfig(configPath, state.results.areas);
  report::printExplanation(state.console,
                           {state.results.areas, config, state.results.lists, state.results.unread});
}

// Looks for a verified original of each bad file, in the places named on the
// command line or else on the CD and DVD drives, and tells what it found.
void findOriginals(RunState& state) {
  const CommandLine& command = state.request.command;
  originals::SearchPlaces places{command.places, command.places.empty()};
  if (places.opticalDrives) places.places = platform::opticalDrives(state.request.paths);
  report::TextOut* progress = state.console.flushesEachPrint() ? &state.console : nullptr;
  originals::OriginalSearch search(state.checker.crcKernel(), progress);
  const std::vector<report::OriginalFinding> findings = search.find(state.results.lists, places);
  report::printOriginals(state.console, findings, search.cabinetsNotRead());
}

// Scans the areas of a configuration that can be read. A scan that opened no
// file at all checked nothing, so it gives no verdict and leaves the
// listing of an earlier run as it stands; one that could not read
// everything names what it missed, and fails.
RunOutcome scanAndReport(RunState& state) {
  state.console.print(report::kHostFolderFound);
  const std::string configPath = sceneryConfigPath(state.request.hostFolder);
  const std::optional<std::vector<std::string>> locals = areaLocalValues(configPath);
  if (!locals) {
    state.console.print(report::formatText(report::kCantReadConfig, configPath.c_str()));
    return RunOutcome::Failed;
  }
  scanSceneryAreas(state.request, *locals, state.checker, state.console, state.results);
  state.console.print(report::kScanCompleted);
  if (state.results.counters.allFiles == 0) {
    state.console.print(report::formatText(report::kNothingChecked, configPath.c_str()));
    explainIfAsked(state, configPath);
    return RunOutcome::Failed;
  }
  const report::ListingOutcome listing = report::writeListing(
      listingPath(state.request), {state.results.lists, state.results.unread}, state.console);
  explainIfAsked(state, configPath);
  if (state.request.command.originals) findOriginals(state);
  if (!listing.created || !state.results.unread.empty()) return RunOutcome::Failed;
  return listing.anyBad ? RunOutcome::BadFilesFound : RunOutcome::NoBadFiles;
}

RunOutcome runScan(RunState& state) {
  locateInstallation(state.request);
  if (state.request.hostFolder.empty()) {
    state.console.print(report::kNoHostFolder);
    return RunOutcome::Failed;
  }
  return scanAndReport(state);
}

void waitForEnter() {
  for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
  }
}

// The frame of every form that checks files: the banner before, the ENTER
// prompt and the wait after.
template <typename Body>
RunOutcome framed(report::TextOut& console, Body body) {
  console.print(report::formatText(report::kBanner, report::kVersion));
  const RunOutcome outcome = body();
  console.print(report::kPressEnter);
  waitForEnter();
  return outcome;
}

}  // namespace

RunOutcome runProgram(RunState& state, const CommandLine& command) {
  state.request.command = command;
  switch (command.form) {
    case CommandLine::Form::Help:
      state.console.print(report::formatText(report::kVersionLine, report::kVersion) + report::kUsage);
      return RunOutcome::Answered;
    case CommandLine::Form::Version:
      state.console.print(report::formatText(report::kVersionLine, report::kVersion));
      return RunOutcome::Answered;
    case CommandLine::Form::Files:
      return framed(state.console, [&state] {
        return checkNamedFiles(state.checker, state.console, state.request.command.files);
      });
    case CommandLine::Form::Scan:
      break;
  }
  return framed(state.console, [&state] { return runScan(state); });
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
