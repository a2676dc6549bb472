// A restore or an undo stopped at any moment loses nothing. The Linux
// program restores three stock files (one read-only, one from a cabinet)
// under strace, which kills it at one system call; this is done for every
// system call it makes, and then for every call of an undo. After each kill
// every file holds its old bytes or its verified new ones, as a plain file
// with its read-only mark; one with new bytes has its old ones in a backup
// whose list names it; and the next --restore (or --undo) completes (or takes
// back) the work and leaves no temporary file. strace's error injection then
// makes each write, flush, rename and new folder fail in turn, as a full or
// failing disk would. Last, a power loss: from the calls strace recorded,
// every state the disk may be left in after each call (what was not flushed
// lost, in every combination) is made and checked the same way.

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/bgl_builder.h"
#include "support/cabinet_builder.h"
#include "support/crash_states.h"
#include "support/crc_forge.h"
#include "support/install_builder.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

const fs::path kStrace = "/usr/bin/strace";

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// One bad stock file: its bytes before and after a restore.
struct Target {
  std::string name;
  Bytes old;
  Bytes restored;
};

std::vector<Target> targets() {
  Bytes geopol12 = withCrc32(soundFacilityFile(), 0x1C7B948D);
  geopol12[20] ^= 0x40;
  Bytes geopol07 = withCrc32(soundFacilityFile(), 0x6C40A47E);
  geopol07[24] ^= 0x01;
  return {{"geopol12.bgl", geopol12, withCrc32(soundFacilityFile(), 0x1C7B948D)},
          {"geopol07.bgl", geopol07, withCrc32(soundFacilityFile(), 0x6C40A47E)},
          {"eurnwafd.bgl", faultyFacilityFile(), soundFacilityFile()}};
}

// An installation whose three bad stock files all have verified originals:
// one beside a decoy in a folder, one in a cabinet, one by its name.
class Installation {
 public:
  explicit Installation(const std::string& cabinet) {
    install_.config({{areaSection(1), "World"}}).file("World/scenery/field.bgl", soundFacilityFile());
    for (const Target& target : targets()) install_.file("World/scenery/" + target.name, target.old);
    fs::permissions(scenery() / "geopol07.bgl", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    writeBytes(place() / "geopol12 copy.bgl", targets()[0].restored);
    writeBytes(place() / "Disc1" / "eurnwafd.bgl", targets()[2].restored);
    writeText(place() / "FS2002.CAB", cabinet);
    program_ = install_.installProgram(TRAWLEX_PROGRAM);
  }

  fs::path scenery() const { return install_.host() / "World" / "scenery"; }
  fs::path place() const { return temp_.path() / "CD"; }
  fs::path backups() const { return install_.tools() / "Trawlex backups"; }

  ProgramRun run(const std::vector<std::string>& arguments, const std::vector<std::string>& launcher = {}) const {
    std::vector<std::string> environment = {"WINEPREFIX=", "HOME=" + (temp_.path() / "home").string()};
    // A build with sanitizers: LeakSanitizer cannot work in a process that strace traces.
    if (!launcher.empty()) environment.emplace_back("ASAN_OPTIONS=detect_leaks=0");
    return runProgram(program_, temp_.path(), Input::Closed, launcher, environment, arguments);
  }
  std::vector<std::string> restoreArguments() const { return {"--restore", place().string()}; }
  ProgramRun restore(const std::vector<std::string>& launcher = {}) const { return run(restoreArguments(), launcher); }

  // Which bytes each target holds: 'o' old, 'n' new, '?' neither.
  std::string states() const {
    std::string states;
    for (const Target& target : targets()) {
      const std::string bytes = readText(scenery() / target.name);
      states += bytes == text(target.old) ? 'o' : bytes == text(target.restored) ? 'n' : '?';
    }
    return states;
  }

  // True when a kept restore's whole list names `name` and its copy holds `old`.
  bool backedUp(const std::string& name, const Bytes& old) const {
    if (!fs::exists(backups())) return false;
    for (const auto& folder : fs::directory_iterator(backups())) {
      const std::string manifest = readText(folder.path() / "manifest.txt");
      const std::size_t at = manifest.find("\tWorld\\scenery\\" + name + "\t");
      if (at == std::string::npos || manifest.find("\nend\t") == std::string::npos) continue;
      const std::size_t line = manifest.rfind('\n', at) + 1;
      const std::size_t nameStart = manifest.find('\t', line) + 1;
      const std::string backupName = manifest.substr(nameStart, manifest.find('\t', nameStart) - nameStart);
      if (readText(folder.path() / backupName) == text(old)) return true;
    }
    return false;
  }

  // Files a run left half done: temporary files anywhere in the tree. After
  // an undo, which writes no listing, a listing's temporary file may stay
  // (`afterUndo`): the next listing written takes its place.
  std::vector<std::string> leftovers(bool afterUndo = false) const {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(temp_.path())) {
      const std::string name = entry.path().filename().string();
      if (afterUndo && name == "FileList.txt.trawlex-new") continue;
      if (name.ends_with(".trawlex-new")) found.push_back(entry.path().string());
    }
    return found;
  }

  // What an interrupted run lost: each file must hold its old or its new
  // bytes, as a plain file with the mark it had (geopol07 read-only), and a
  // new one must be backed up. Empty when nothing was lost.
  std::string whatWasLost() const {
    const std::string held = states();
    std::string lost;
    if (held.find('?') != std::string::npos) lost += "bytes " + held + "; ";
    for (std::size_t i = 0; i < held.size(); ++i) {
      const fs::path path = scenery() / targets()[i].name;
      const bool readOnly = (fs::status(path).permissions() & fs::perms::owner_write) == fs::perms::none;
      if (!fs::is_regular_file(fs::symlink_status(path))) lost += targets()[i].name + " kind; ";
      if (readOnly != (i == 1)) lost += targets()[i].name + " mark; ";
      if (held[i] == 'n' && !backedUp(targets()[i].name, targets()[i].old)) lost += targets()[i].name + " backup; ";
    }
    // The listing is the old one or the new one, never an empty one.
    const fs::path listing = install_.tools() / "FileList.txt";
    if (fs::exists(listing) && fs::file_size(listing) == 0) lost += "listing empty; ";
    return lost;
  }
  void expectNothingLost(const std::string& when) const { EXPECT_EQ(whatWasLost(), "") << when; }

  fs::path root() const { return temp_.path(); }
  fs::path program() const { return program_; }

 private:
  TempDir temp_;
  InstallBuilder install_{temp_.path()};
  fs::path program_;
};

std::string cabinetBytes() {
  const TempDir dir;
  makeCabinet(dir.path() / "FS2002.CAB",
              {{"scenery/world/scenery/geopol07.bgl", targets()[1].restored},
               {"scenery/world/scenery/geopol12.bgl", withCrc32(soundFacilityFile(), 0x0BADBEEF)}},
              Compression::Mszip);
  return readText(dir.path() / "FS2002.CAB");
}

// True for a system call that touches no file: memory, signals, clocks,
// identities. A kill there leaves the disk as a kill at the next call does,
// so those calls are left out (a build with sanitizers makes thousands).
bool touchesNoFile(const std::string& name) {
  static const std::set<std::string> kNoFile = {
      "mmap",          "munmap",         "mprotect",   "mremap",    "madvise",        "brk",
      "rt_sigaction",  "rt_sigprocmask", "sigaltstack", "prlimit64", "getrlimit",      "setrlimit",
      "set_tid_address", "set_robust_list", "rseq",    "arch_prctl", "getpid",         "gettid",
      "getppid",       "getuid",         "geteuid",    "getgid",    "getegid",        "clock_gettime",
      "sched_getaffinity", "sched_yield", "futex",     "getrandom", "personality",    "prctl",
      "uname",         "sysinfo"};
  return kNoFile.count(name) > 0;
}

// Every system call of a run that may touch a file, as (name, how many of
// that name so far, counting all).
std::vector<std::pair<std::string, int>> systemCalls(const Installation& installation, const fs::path& log,
                                                     const std::vector<std::string>& arguments) {
  const ProgramRun traced = installation.run(arguments, {kStrace.string(), "-qq", "-o", log.string()});
  EXPECT_EQ(traced.exitStatus, 0) << traced.output;
  std::map<std::string, int> seen;
  std::vector<std::pair<std::string, int>> calls;
  const std::string trace = readText(log);
  for (std::size_t line = 0; line < trace.size(); line = trace.find('\n', line) + 1) {
    const std::size_t paren = trace.find('(', line);
    const std::size_t end = trace.find('\n', line);
    if (paren == std::string::npos || paren > end || trace[line] == '+' || trace[line] == '-') continue;
    const std::string name = trace.substr(line, paren - line);
    if (name == "execve") continue;
    const int ordinal = ++seen[name];
    if (!touchesNoFile(name)) calls.emplace_back(name, ordinal);
    if (end == std::string::npos) break;
  }
  return calls;
}

TEST(RestoreCrash, KilledAtEverySystemCallNothingIsLostAndTheNextRunCompletesOrUndoesIt) {
  ASSERT_TRUE(fs::exists(kStrace)) << "strace is needed (scripts/install-deps installs it)";
  const std::string cabinet = cabinetBytes();
  const TempDir logs;
  std::vector<std::pair<std::string, int>> calls;
  {
    const Installation whole(cabinet);
    calls = systemCalls(whole, logs.path() / "trace", whole.restoreArguments());
    ASSERT_EQ(whole.states(), "nnn");
  }
  ASSERT_GT(calls.size(), 100U);
  std::cout << calls.size() << " system calls of a restore, each killed in turn\n";
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const auto& [name, ordinal] = calls[i];
    const std::string when = name + " #" + std::to_string(ordinal);
    const Installation installation(cabinet);
    const ProgramRun killed =
        installation.restore({kStrace.string(), "-qq", "-o", "/dev/null", "-e",
                              "inject=" + name + ":signal=KILL:when=" + std::to_string(ordinal)});
    EXPECT_EQ(killed.exitStatus, 128 + 9) << when;
    installation.expectNothingLost(when);
    // The next run finishes the work, or takes it back, and clears what was left half done.
    if (i % 2 == 0) {
      const ProgramRun next = installation.restore();
      EXPECT_EQ(next.exitStatus, 0) << when << "\n" << next.output;
      EXPECT_EQ(installation.states(), "nnn") << when;
    } else {
      const ProgramRun next = installation.run({"--undo"});
      EXPECT_EQ(next.exitStatus, 0) << when << "\n" << next.output;
      EXPECT_EQ(installation.states(), "ooo") << when;
    }
    EXPECT_EQ(installation.leftovers(i % 2 == 1), std::vector<std::string>{}) << when;
    if (HasFailure()) return;  // one case in full, rather than hundreds
  }
}

// Each write, flush, rename, new folder and removal of a restore, and then
// of an undo, fails in turn: every file stays whole with its mark, nothing is
// left beside it, and a run that did not finish its work fails.
TEST(RestoreCrash, AFullOrFailingDiskLeavesEveryFileWholeAndFailsTheRun) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers' runtime makes writes of its own, which an injected error would hit first; "
                  "the plain build runs this";
#endif
  ASSERT_TRUE(fs::exists(kStrace)) << "strace is needed (scripts/install-deps installs it)";
  const std::string cabinet = cabinetBytes();
  const TempDir logs;
  for (const bool undo : {false, true}) {
    std::map<std::string, int> counts;
    {
      const Installation whole(cabinet);
      if (undo) {
        ASSERT_EQ(whole.restore().exitStatus, 0);
      }
      const std::vector<std::string> arguments = undo ? std::vector<std::string>{"--undo"} : whole.restoreArguments();
      for (const auto& [name, ordinal] : systemCalls(whole, logs.path() / "trace", arguments)) counts[name] = ordinal;
    }
    for (const char* name : {"write", "fsync", "rename", "mkdir", "unlink"}) {
      if (!undo) {
        ASSERT_GT(counts[name], 0) << name;
      }
      for (int ordinal = 1; ordinal <= counts[name]; ++ordinal) {
        for (const char* error : {"ENOSPC", "EIO"}) {
          const std::string when =
              std::string(undo ? "undo " : "restore ") + name + " #" + std::to_string(ordinal) + " " + error;
          const Installation installation(cabinet);
          if (undo) {
            ASSERT_EQ(installation.restore().exitStatus, 0) << when;
          }
          const std::vector<std::string> injected = {
              kStrace.string(), "-qq", "-o", "/dev/null", "-e",
              "inject=" + std::string(name) + ":error=" + error + ":when=" + std::to_string(ordinal)};
          const ProgramRun failed = undo ? installation.run({"--undo"}, injected) : installation.restore(injected);
          installation.expectNothingLost(when);
          EXPECT_EQ(installation.leftovers(), std::vector<std::string>{}) << when;
          if (installation.states() != (undo ? "ooo" : "nnn")) {
            EXPECT_EQ(failed.exitStatus, 2) << when << "\n" << failed.output;
          }
          if (HasFailure()) return;
        }
      }
    }
  }
}

TEST(RestoreCrash, AnUndoKilledAtEverySystemCallLosesNothingAndTheNextUndoFinishesIt) {
  ASSERT_TRUE(fs::exists(kStrace)) << "strace is needed (scripts/install-deps installs it)";
  const std::string cabinet = cabinetBytes();
  const TempDir logs;
  std::vector<std::pair<std::string, int>> calls;
  {
    const Installation whole(cabinet);
    ASSERT_EQ(whole.restore().exitStatus, 0);
    calls = systemCalls(whole, logs.path() / "trace", {"--undo"});
    ASSERT_EQ(whole.states(), "ooo");
  }
  ASSERT_GT(calls.size(), 50U);
  std::cout << calls.size() << " system calls of an undo, each killed in turn\n";
  for (const auto& [name, ordinal] : calls) {
    const std::string when = name + " #" + std::to_string(ordinal);
    const Installation installation(cabinet);
    ASSERT_EQ(installation.restore().exitStatus, 0) << when;
    const ProgramRun killed = installation.run(
        {"--undo"}, {kStrace.string(), "-qq", "-o", "/dev/null", "-e",
                     "inject=" + name + ":signal=KILL:when=" + std::to_string(ordinal)});
    EXPECT_EQ(killed.exitStatus, 128 + 9) << when;
    installation.expectNothingLost(when);
    const ProgramRun next = installation.run({"--undo"});
    EXPECT_EQ(next.exitStatus, 0) << when << "\n" << next.output;
    EXPECT_EQ(installation.states(), "ooo") << when;
    installation.expectNothingLost(when);
    EXPECT_EQ(installation.leftovers(), std::vector<std::string>{}) << when;
    if (HasFailure()) return;
  }
}

// The calls strace records of one run, with the paths of descriptors and
// every byte written.
std::string recordedCalls(const Installation& installation, const std::vector<std::string>& arguments) {
  const TempDir logs;
  const fs::path log = logs.path() / "trace";
  const ProgramRun traced = installation.run(
      arguments, {kStrace.string(), "-qq", "-y", "-xx", "-s", "16777216", "-o", log.string(), "-e",
                  "trace=openat,write,fsync,fdatasync,fchmod,chmod,fchmodat,rename,unlink,rmdir,mkdir"});
  EXPECT_EQ(traced.exitStatus, 0) << traced.output;
  return readText(log);
}

// What the power-loss check of one run found.
struct PowerLossFigures {
  std::size_t crashPoints = 0;
  std::size_t states = 0;
  std::vector<std::string> violations;
};

// Records a restore (or, after one, an undo), then makes every crash state
// of every point of it and checks in each that nothing was lost and (with
// `runNext`) that the next run completes the work.
PowerLossFigures checkPowerLoss(const std::string& cabinet, bool undo, const std::set<std::size_t>& ignoredFlushes = {},
                                bool runNext = true) {
  const Installation installation(cabinet);
  if (undo) {
    EXPECT_EQ(installation.restore().exitStatus, 0);
  }
  const std::set<std::string> keep = {installation.program().string()};
  const TreeImage before = imageOf(installation.root().string(), keep);
  const std::vector<std::string> arguments =
      undo ? std::vector<std::string>{"--undo"} : installation.restoreArguments();
  const CrashStates crashes(installation.root().string(), before, recordedCalls(installation, arguments),
                            ignoredFlushes);
  PowerLossFigures figures;
  for (std::size_t done = 0; done <= crashes.operations().size(); ++done) {
    ++figures.crashPoints;
    for (const TreeImage& state : crashes.statesAfter(done)) {
      ++figures.states;
      materialize(installation.root().string(), state, keep);
      const std::string at = "after call " + std::to_string(done) + ": ";
      if (const std::string lost = installation.whatWasLost(); !lost.empty()) figures.violations.push_back(at + lost);
      if (!runNext) continue;
      // The next run finishes the work: a restore completes it, an undo takes it back.
      const bool nextUndoes = undo || figures.states % 2 == 0;
      const ProgramRun next = nextUndoes ? installation.run({"--undo"}) : installation.restore();
      const std::string wanted = nextUndoes ? "ooo" : "nnn";
      if (next.exitStatus != 0 || installation.states() != wanted || !installation.leftovers(nextUndoes).empty()) {
        figures.violations.push_back(at + "the next run left " + installation.states() + " status " +
                                     std::to_string(next.exitStatus) + "\n" + next.output);
      }
    }
  }
  materialize(installation.root().string(), before, keep);
  return figures;
}

TEST(PowerLoss, EveryCrashStateOfARestoreAndAnUndoKeepsEveryFileAndTheNextRunFinishesTheWork) {
  ASSERT_TRUE(fs::exists(kStrace)) << "strace is needed (scripts/install-deps installs it)";
  const std::string cabinet = cabinetBytes();
  for (const bool undo : {false, true}) {
    const PowerLossFigures figures = checkPowerLoss(cabinet, undo);
    std::cout << (undo ? "undo" : "restore") << ": " << figures.crashPoints << " crash points, " << figures.states
              << " states checked, " << figures.violations.size() << " violations\n";
    EXPECT_GT(figures.crashPoints, 20U);
    EXPECT_EQ(figures.violations, std::vector<std::string>{});
  }
}

// The check finds what a missing flush loses: with the flush of the backup
// folder after its list is put in place taken as never made, some state
// holds a restored file whose backup no list names.
TEST(PowerLoss, AFlushLeftOutIsFound) {
  ASSERT_TRUE(fs::exists(kStrace)) << "strace is needed (scripts/install-deps installs it)";
  const std::string cabinet = cabinetBytes();
  std::optional<std::size_t> listFlush;
  {
    const Installation installation(cabinet);
    const CrashStates crashes(installation.root().string(), {}, recordedCalls(installation, installation.restoreArguments()));
    std::size_t flush = 0;
    bool listRenamed = false;
    for (const CrashStates::Operation& op : crashes.operations()) {
      if (op.name == "rename" && op.paths.at(1).ends_with("/manifest.txt")) listRenamed = true;
      if (op.name != "fsync") continue;
      if (listRenamed && op.paths.at(0).find("Trawlex backups/Restore ") != std::string::npos) {
        listFlush = flush;
        break;
      }
      ++flush;
    }
  }
  ASSERT_TRUE(listFlush);
  const PowerLossFigures figures = checkPowerLoss(cabinet, false, {*listFlush}, false);
  std::cout << "flush " << *listFlush << " left out: " << figures.states << " states checked, "
            << figures.violations.size() << " violations\n";
  EXPECT_FALSE(figures.violations.empty());
}

}  // namespace
