#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The few operating-system services the run needs. Exactly one implementation
// is compiled: platform_win32.cpp on Windows, platform_posix.cpp elsewhere.
namespace platform {

// Longest path text the run builds or accepts (a Windows path buffer of 260
// bytes less its terminator). Longer paths are refused, never cut short.
inline constexpr std::size_t kMaxPathLength = 259;

// Separator of the paths the run builds: '\\' on Windows, '/' elsewhere.
char pathSeparator();

// Full path of the running program file; empty when it cannot be read.
std::string programPath();

// Makes `folder` the process's current folder; failures are ignored.
void setCurrentFolder(const std::string& folder);

// The process's current folder; empty when it cannot be read.
std::string currentFolder();

// Text of registry value `valueName` under HKEY_LOCAL_MACHINE\`key`, or
// nothing when the key or value is missing or longer than kMaxPathLength.
std::optional<std::string> registryText(const char* key, const char* valueName);

// True when a file or folder of that name exists.
bool pathExists(const std::string& path);

// Value of `key` in `section` of the INI file at `filePath`, at most 999
// characters; empty when the file, the section or the key is missing.
std::string profileValue(const std::string& filePath, const std::string& section, const std::string& key);

// The entries of one folder whose names end in ".bgl" (any letter case).
struct FolderListing {
  std::string folder;               // the folder's path as spelled on disk
  std::vector<std::string> names;   // entry names as found, in the search's order
};

// Lists the .bgl entries of `folder` (a path ending with a separator); a
// missing folder gives no entries.
FolderListing findBglFiles(const std::string& folder);

// Closes a stream when its owner goes; success is judged, where it matters,
// by an explicit fclose of the released stream.
struct FileCloser {
  void operator()(std::FILE* file) const { (void)std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens an existing regular file for binary reading, without denying other
// readers or writers access; nullptr when it cannot be opened.
std::FILE* openForReading(const std::string& path);

// A folder text from Scenery.cfg (Windows form, backslashes) turned into a
// path of this system.
std::string nativeFolderText(std::string_view configText);

// True when `path` (in this system's form) is absolute rather than relative
// to the current or host folder.
bool isAbsolutePath(std::string_view path);

// Prepares standard output for the run's byte-exact texts and tells whether
// it is a terminal (each print then reaches it at once).
bool prepareStandardOutput();

}  // namespace platform
