#pragma once

#include <string>

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
};

namespace posix {

// System paths that lead through the Wine prefix at `prefix`.
SystemPaths pathsThroughPrefix(std::string prefix);

// `path` with each component spelled as on disk; separators kept as given.
// A component that matches nothing stays as it is.
std::string spellingOnDisk(const std::string& path);

}  // namespace posix

}  // namespace platform
