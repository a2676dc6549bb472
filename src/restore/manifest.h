#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The list that a restore keeps in its backup folder: which files it may
// have replaced, where their old bytes are, and how to tell which bytes each
// holds. It is written, whole and on the disk, before any file is replaced.
namespace restore {

inline constexpr const char* kManifestName = "manifest.txt";

struct ManifestEntry {
  std::string backupName;     // the old file's copy, in the backup folder
  std::uint32_t crcBefore = 0;  // of the bad file
  std::uint32_t crcAfter = 0;   // of its verified original
  bool readOnly = false;      // the file was marked read-only before the restore
  std::string target;         // the replaced file's path
  std::string source;         // where the original came from, for people to read
};

struct Manifest {
  bool undone = false;  // put back by an undo; then no undo takes it again
  std::vector<ManifestEntry> entries;
};

// True when `text` can stand in a field: no tab, no line end.
bool fitsField(std::string_view text);

// The manifest as text: a title line, a state line and one line per file,
// fields separated by tabs.
std::string manifestText(const Manifest& manifest);

// Reads a manifest's text; nothing when it is not one (a restore stopped
// before its list was complete leaves none).
std::optional<Manifest> parseManifest(std::string_view text);

}  // namespace restore
