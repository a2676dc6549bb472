#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

// The Windows view of a POSIX disk: what FS2002's installation texts mean
// when the files live on a case-sensitive file system, inside or beside a
// Wine prefix. Names are looked up the way Wine does (the exact spelling
// first, then each component without regard to ASCII letter case), folders
// are listed in NTFS's order with 8.3 matches, drive letters and the
// registry lead through the prefix, and texts make the ANSI round trip that
// Windows' "A" calls make.
namespace platform {

// What the system paths hold here: the Wine prefix, empty when there is none.
struct PathMap {
  std::string winePrefix;
  // The folder each drive letter stands for, resolved, found once: the
  // prefix's links, or without a prefix Z: for the root.
  std::vector<std::pair<char, std::string>> driveFolders;
};

namespace posix {

// System paths that lead through the Wine prefix at `prefix`.
SystemPaths pathsThroughPrefix(std::string prefix);

// An absolute `path` as Windows reads a path before it looks it up: runs of
// separators made one, "." and ".." taken out as text (never above the
// root), and the dots and blanks Win32 drops from the ends of names dropped.
// A relative path stays as it is.
std::string systemPath(const std::string& path);

// `path` read as systemPath reads it, each component spelled as on disk. A
// component that matches nothing stays as it is.
std::string spellingOnDisk(const std::string& path);

// A path the run built, as it shows it and as the system opens it.
struct PathOnDisk {
  std::string shown;  // as built, each name that Windows reads as written spelled as on disk
  std::string real;   // spellingOnDisk's
};
PathOnDisk pathOnDisk(const std::string& builtPath);

}  // namespace posix

}  // namespace platform
