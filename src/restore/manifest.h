#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The list that a restore keeps in its backup folder: which files it may
// replace, where their old bytes are, how to tell which bytes each holds, and
// how far the restore (and an undo of it) went. It is written whole and on
// the disk before any file changes, and it ends with its own checksum, so a
// list cut short or changed by hand is known as such.
//
// Its paths are in one form that both builds read: the host folder as found,
// each file relative to it with Windows separators, all in UTF-8; so an
// undo in a copy of the installation changes the copy, and either build
// undoes the other's restore.
namespace restore {

inline constexpr const char* kManifestName = "manifest.txt";

// How far the work the list records went. A restore or an undo that did not
// reach its end left at most its temporary files and lifted marks behind,
// which the next run removes and puts back.
enum class RestoreState {
  Restoring,  // files are being replaced
  Restored,   // the restore ended; an undo may take it back
  Undoing,    // an undo is putting the old files back
  Undone,     // put back by an undo; then no undo takes it again
};

struct ManifestEntry {
  std::string backupName;        // the old file's copy, in the backup folder
  std::uint32_t crcBefore = 0;   // of the bad file
  std::uint64_t sizeBefore = 0;
  std::uint32_t crcAfter = 0;    // of its verified original
  std::uint64_t sizeAfter = 0;
  bool readOnly = false;         // the file was marked read-only before the restore
  std::string target;            // relative to the host folder (Windows separators), or a whole path
  std::string source;            // where the original came from, for people to read
};

struct Manifest {
  std::uint64_t number = 0;  // the restore's place in the sequence; 0 for a restore of an earlier version
  std::string host;          // the host folder the targets are relative to
  RestoreState state = RestoreState::Restoring;
  std::string temporaryTag;  // what the names of the unfinished step's temporary files carry
  std::vector<ManifestEntry> entries;

  // Written by an earlier version: whole paths, no number, no temporary names of its own.
  bool earlier() const { return number == 0; }
};

// What is wrong with a list that is not one.
struct ManifestProblem {
  enum class Kind {
    CutShort,       // its last line is missing: written only in part
    SumMismatch,    // its checksum does not match its text
    LineUnreadable, // line `line` is not one a restore writes
  };
  Kind kind = Kind::CutShort;
  std::size_t line = 0;
};

struct ManifestReading {
  std::optional<Manifest> manifest;
  ManifestProblem problem;  // when there is none
};

// True when `text` can stand in a field: no tab, no line end.
bool fitsField(std::string_view text);

// The manifest as text: a title line, the form of its paths, the number, the
// host folder, the state and the temporary files' tag, one line per file
// (fields separated by tabs), and an end line with the checksum of all
// before it.
std::string manifestText(const Manifest& manifest);

// Reads a manifest's text, with LF or CR LF line ends and hex digits in
// either case; also the lists of earlier versions (no number, no checksum).
ManifestReading parseManifest(std::string_view text);

}  // namespace restore
