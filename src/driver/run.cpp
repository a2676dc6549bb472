#include "driver/run.h"

#include <algorithm>
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
#include "report/restoring.h"
#include "report/texts.h"
#include "restore/restorer.h"

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
  const scan::ConfigSurvey config = surveyConfig(state.request.paths, configPath, state.results.areas);
  report::printExplanation(state.console,
                           {state.results.areas, config, state.results.lists, state.results.unread});
}

// A place as the search reads it: "D:", as Windows users name a CD drive,
// is that drive's root; a drive path leads where the system's drive letters
// do (a Wine prefix's, elsewhere); a place typed relative to the folder the
// program was started in is read from that folder, since the run makes its
// own folder the current one; in any letter case, as on Windows.
std::string placeToSearch(const RunRequest& request, const std::string& typed) {
  const bool driveOnly = typed.size() == 2 && platform::isDrivePath(typed + "\\");
  const std::string place = driveOnly ? typed + "\\" : typed;
  if (platform::isDrivePath(place)) {
    const platform::FolderText folder = platform::folderText(request.paths, place);
    return folder.kind == platform::FolderText::Kind::Absolute ? platform::spelledOnDisk(folder.path) : place;
  }
  const bool absolute = place.starts_with('\\') || place.starts_with('/');
  if (absolute || request.startFolder.empty()) return platform::spelledOnDisk(place);
  return platform::spelledOnDisk(request.startFolder + platform::pathSeparator() + place);
}

// Looks for a verified original of each bad file, in the places named on the
// command line or else on the CD and DVD drives, and tells what it found.
std::vector<originals::OriginalFinding> findOriginals(RunState& state) {
  const CommandLine& command = state.request.command;
  originals::SearchPlaces places{{}, command.places.empty()};
  for (const std::string& place : command.places) {
    places.places.push_back(placeToSearch(state.request, place));
  }
  if (places.opticalDrives) places.places = platform::opticalDrives(state.request.paths);
  // The progress line only where each print shows at once: a console.
  report::SearchProgressLine line(state.console);
  originals::SearchProgress* progress = state.console.flushesEachPrint() ? &line : nullptr;
  originals::OriginalSearch search(state.files, state.request.paths, state.checker.crcKernel(), progress);
  std::vector<originals::OriginalFinding> findings = search.find(state.results.lists, places);
  report::printOriginals(state.console, findings, search.cabinetsNotRead());
  return findings;
}

restore::Site restoreSite(const RunRequest& request) { return {request.ownFolder, request.hostFolder}; }

// Puts the verified original of each bad stock file that has one in its
// place, and tells what it did.
restore::RestoreReport restoreOriginals(RunState& state, const std::vector<originals::OriginalFinding>& findings) {
  std::vector<restore::Replacement> replacements;
  for (const originals::OriginalFinding& finding : findings) {
    if (finding.isStock && finding.original) replacements.push_back({finding.badPath, *finding.original});
  }
  restore::RestoreReport restored;
  if (!replacements.empty()) {
    restored = restore::restoreFiles(state.files, replacements, restoreSite(state.request), state.checker.crcKernel());
  }
  report::printRestore(state.console, restored);
  return restored;
}

report::RestoreTally tallyOf(const std::vector<originals::OriginalFinding>& findings,
                             const restore::RestoreReport& restored) {
  report::RestoreTally tally;
  for (const originals::OriginalFinding& finding : findings) {
    if (!finding.isStock) ++tally.addOnsStillBad;
    if (finding.isStock && !finding.original && !finding.holdsReference) ++tally.withoutOriginal;
  }
  for (const restore::RestoredFile& file : restored.files) ++(file.restored() ? tally.restored : tally.notReplaced);
  return tally;
}

// How far one scan of the areas went.
enum class ScanEnd {
  ConfigUnread,    // no Scenery.cfg could be read: nothing scanned
  NothingChecked,  // no file could be opened: no verdict, the old listing left as it stands
  Listed,          // the listing is written and the verdict told
};

struct ScanPass {
  ScanEnd end;
  RunOutcome outcome;
};

// Tells why the scan could not be done, and what to do, on the console and
// in the listing, which then stands for this run and not an earlier one.
void noScan(RunState& state, const std::string& error) {
  state.console.print(error);
  report::writeNoScanListing(state.request.paths, listingPath(state.request), error);
}

// Scans the areas of the configuration and writes the listing. A scan that
// opened no file at all checked nothing, so it gives no verdict; one that
// could not read everything names what it missed, and fails.
ScanPass scanAndList(RunState& state, const std::string& configPath) {
  state.console.print(report::kHostFolderFound);
  const std::optional<std::vector<std::string>> locals = areaLocalValues(state.request.paths, configPath);
  if (!locals) {
    noScan(state, report::formatText(report::kCantReadConfig, configPath.c_str()) + report::kCantReadConfigAdvice);
    return {ScanEnd::ConfigUnread, RunOutcome::Failed};
  }
  scanSceneryAreas(state.request, *locals, state.checker, state.console, state.results);
  state.console.print(report::kScanCompleted);
  if (state.results.counters.allFiles == 0) {
    noScan(state, report::formatText(report::kNothingChecked, configPath.c_str()) + report::kNothingCheckedAdvice);
    return {ScanEnd::NothingChecked, RunOutcome::Failed};
  }
  const bool plainRun = !state.request.command.originals;
  const report::ListingOutcome listing =
      report::writeListing(state.request.paths, listingPath(state.request),
                           {state.results.lists, state.results.unread, plainRun}, state.console);
  const RunOutcome outcome = !listing.created || !state.results.unread.empty() ? RunOutcome::Failed
                             : listing.anyBad                                 ? RunOutcome::BadFilesFound
                                                                              : RunOutcome::NoBadFiles;
  return {ScanEnd::Listed, outcome};
}

// Restores the originals found, and gives the verdict of a new scan after it
// (which rewrites the listing) when any file was replaced.
// The last lines then tell what the restore came to.
RunOutcome restoreAndScanAgain(RunState& state, const std::vector<originals::OriginalFinding>& findings,
                               const std::string& configPath, RunOutcome outcome) {
  const restore::RestoreReport restored = restoreOriginals(state, findings);
  const bool allRestored = restored.whole();
  const bool anyRestored = std::any_of(restored.files.begin(), restored.files.end(),
                                       [](const restore::RestoredFile& file) { return file.restored(); });
  RunOutcome after = outcome;
  if (anyRestored) {
    state.console.print(report::kCheckingAgain);
    state.results = ScanResults{};
    after = scanAndList(state, configPath).outcome;
  }
  report::printRestoreSummary(state.console, tallyOf(findings, restored));
  return allRestored ? after : RunOutcome::Failed;
}

// The scan, then what it was asked to add: the explanation, the search for
// originals and the restore.
RunOutcome scanAndReport(RunState& state) {
  const std::string configPath = sceneryConfigPath(state.request.hostFolder);
  const ScanPass pass = scanAndList(state, configPath);
  if (pass.end == ScanEnd::ConfigUnread) return pass.outcome;
  explainIfAsked(state, configPath);
  if (pass.end == ScanEnd::NothingChecked || !state.request.command.originals) return pass.outcome;
  // A restore stopped midway left files that must not pass for originals.
  if (state.request.command.restore) {
    restore::finishInterrupted(state.files, restoreSite(state.request), state.checker.crcKernel());
  }
  const std::vector<originals::OriginalFinding> findings = findOriginals(state);
  if (!state.request.command.restore) return pass.outcome;
  return restoreAndScanAgain(state, findings, configPath, pass.outcome);
}

RunOutcome runScan(RunState& state) {
  locateInstallation(state.request);
  if (state.request.hostFolder.empty()) {
    noScan(state, std::string(report::kNoHostFolder) + report::kNoHostFolderAdvice);
    return RunOutcome::Failed;
  }
  return scanAndReport(state);
}

// Puts back the files of the latest restore kept beside the program, in the
// installation found now.
RunOutcome undoRestore(RunState& state) {
  locateInstallation(state.request);
  // The lists name their files relative to the installation: without one nothing can be put back.
  if (state.request.hostFolder.empty()) {
    state.console.print(std::string(report::kNoHostFolder) + report::kNoHostFolderAdvice);
    return RunOutcome::Failed;
  }
  const restore::UndoReport undone =
      restore::undoLatestRestore(state.files, restoreSite(state.request), state.checker.crcKernel());
  report::printUndo(state.console, undone);
  return undone.whole() ? RunOutcome::NoBadFiles : RunOutcome::Failed;
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

RunOutcome runProgram(RunState& state, const CommandLine& command, const std::string& startFolder) {
  state.request.command = command;
  state.request.startFolder = startFolder;
  switch (command.form) {
    case CommandLine::Form::Help:
      state.console.print(report::formatText(report::kVersionLine, report::kVersion) + report::kUsage);
      return RunOutcome::Answered;
    case CommandLine::Form::Version:
      state.console.print(report::formatText(report::kVersionLine, report::kVersion));
      return RunOutcome::Answered;
    case CommandLine::Form::UnknownOption:
      state.console.print(report::formatText(report::kUnknownOption, command.unknownOption.c_str()));
      return RunOutcome::Failed;
    case CommandLine::Form::Files:
      return framed(state.console, [&state] {
        return checkNamedFiles(state.checker, state.console, state.request.command.files);
      });
    case CommandLine::Form::Undo:
      return framed(state.console, [&state] { return undoRestore(state); });
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
