// A restore stopped at any moment loses nothing. The Linux program restores
// three stock files (one read-only, one from a cabinet) under strace, which
// kills it at one system call; this is done for every system call it makes.
// After each kill every file holds its old bytes or its verified new ones;
// one with new bytes has its old ones in a backup whose list names it; and
// the next --restore (or --undo) completes (or takes back) the work and
// leaves no temporary file. strace's error injection then makes each write,
// flush, rename and new folder fail in turn, as a full or failing disk would.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/bgl_builder.h"
#include "support/cabinet_builder.h"
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
  ProgramRun restore(const std::vector<std::string>& launcher = {}) const {
    return run({"--restore", place().string()}, launcher);
  }

  // Which bytes each target holds: 'o' old, 'n' new, '?' neither.
  std::string states() const {
    std::string states;
    for (const Target& target : targets()) {
      const std::string bytes = readText(scenery() / target.name);
      states += bytes == text(target.old) ? 'o' : bytes == text(target.restored) ? 'n' : '?';
    }
    return states;
  }

  // True when a kept restore's list names `name`'s path and its copy holds `old`.
  bool backedUp(const std::string& name, const Bytes& old) const {
    if (!fs::exists(backups())) return false;
    for (const auto& folder : fs::directory_iterator(backups())) {
      const std::string manifest = readText(folder.path() / "manifest.txt");
      const std::size_t at = manifest.find("/scenery/" + name + "\t");
      if (at == std::string::npos || !manifest.ends_with("end\n")) continue;
      const std::size_t line = manifest.rfind('\n', at) + 1;
      const std::size_t nameStart = manifest.find('\t', line) + 1;
      const std::string backupName = manifest.substr(nameStart, manifest.find('\t', nameStart) - nameStart);
      if (readText(folder.path() / backupName) == text(old)) return true;
    }
    return false;
  }

  // Files a run left half done: temporary files anywhere in the tree.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(temp_.path())) {
      if (entry.path().filename().string().ends_with(".trawlex-new")) found.push_back(entry.path().string());
    }
    return found;
  }

  // The invariant of an interrupted run: each file old or new, a new one backed up.
  void expectNothingLost(const std::string& when) const {
    const std::string held = states();
    EXPECT_EQ(held.find('?'), std::string::npos) << when << ": " << held;
    for (std::size_t i = 0; i < held.size(); ++i) {
      if (held[i] == 'n') {
        EXPECT_TRUE(backedUp(targets()[i].name, targets()[i].old)) << when << ": " << i;
      }
    }
  }

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
std::vector<std::pair<std::string, int>> systemCalls(const Installation& installation, const fs::path& log) {
  const ProgramRun traced = installation.restore({kStrace.string(), "-qq", "-o", log.string()});
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
    calls = systemCalls(whole, logs.path() / "trace");
    ASSERT_EQ(whole.states(), "nnn");
  }
  ASSERT_GT(calls.size(), 100U);
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
    EXPECT_EQ(installation.leftovers(), std::vector<std::string>{}) << when;
    if (HasFailure()) return;  // one case in full, rather than hundreds
  }
}

TEST(RestoreCrash, AFullOrFailingDiskLeavesEveryFileWholeAndFailsTheRun) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers' runtime makes writes of its own, which an injected error would hit first; "
                  "the plain build runs this";
#endif
  ASSERT_TRUE(fs::exists(kStrace)) << "strace is needed (scripts/install-deps installs it)";
  const std::string cabinet = cabinetBytes();
  const TempDir logs;
  std::map<std::string, int> counts;
  {
    const Installation whole(cabinet);
    for (const auto& [name, ordinal] : systemCalls(whole, logs.path() / "trace")) counts[name] = ordinal;
  }
  for (const char* name : {"write", "fsync", "rename", "mkdir", "unlink"}) {
    ASSERT_GT(counts[name], 0) << name;
    for (int ordinal = 1; ordinal <= counts[name]; ++ordinal) {
      for (const char* error : {"ENOSPC", "EIO"}) {
        const std::string when = std::string(name) + " #" + std::to_string(ordinal) + " " + error;
        const Installation installation(cabinet);
        const ProgramRun failed = installation.restore(
            {kStrace.string(), "-qq", "-o", "/dev/null", "-e",
             "inject=" + std::string(name) + ":error=" + error + ":when=" + std::to_string(ordinal)});
        installation.expectNothingLost(when);
        EXPECT_EQ(installation.leftovers(), std::vector<std::string>{}) << when;
        if (installation.states() != "nnn") {
          EXPECT_EQ(failed.exitStatus, 2) << when << "\n" << failed.output;
        }
        if (HasFailure()) return;
      }
    }
  }
}

}  // namespace
