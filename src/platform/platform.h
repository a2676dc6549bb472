#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The few operating-system services the run needs. Exactly one implementation
// is compiled: win32/ on Windows; posix/ elsewhere, which gives a POSIX disk
// the Windows view FS2002's installation expects (names that ignore letter
// case, drive letters and the registry through the Wine prefix).
//
// Letter case: Windows ignores it in every name. The calls below that take
// texts of the installation (pathExists, profileValues, findBglFiles,
// openForWriting) ignore it on every system; those that take a path the run
// already holds as spelled on disk, or a path the user typed
// (isExistingFile, openForReading), hand it to the system as it is: Windows
// still ignores letter case there, a POSIX disk does not. Each call says which.
namespace platform {

// Longest path text the run builds or accepts (a Windows path buffer of 260
// bytes less its terminator). Longer paths are refused, never cut short.
inline constexpr std::size_t kMaxPathLength = 259;

// Size of the blocks in which files are read whole: the checks' window, a
// profile's text, a backup list.
inline constexpr std::size_t kReadBlockSize = std::size_t{64} * 1024;

// Size of the blocks in which output to a file or pipe is collected.
inline constexpr std::size_t kOutputBlockSize = 4096;

// Separator of the paths the run builds: '\\' on Windows, '/' elsewhere.
char pathSeparator();

// Full path of the running program file; empty when it cannot be read.
std::string programPath();

// Makes `folder` the process's current folder; failures are ignored.
void setCurrentFolder(const std::string& folder);

// The process's current folder; empty when it cannot be read.
std::string currentFolder();

// Where the installation's Windows path texts and its registry lead on this
// system, found once per run from the program's own folder. What it holds is
// each implementation's own: on Windows nothing, the texts are the paths;
// elsewhere the Wine prefix that drive letters and the registry lead through.
// An empty one (nullptr) leads nowhere but where the texts say: only drive
// Z: leads anywhere (to the root, as in a new Wine prefix) and there is no registry.
struct PathMap;
using SystemPaths = std::shared_ptr<const PathMap>;
SystemPaths systemPaths(const std::string& ownFolder);

// The length by which the path limit measures `path`: the length of the
// Windows path the Windows program would hold for it, in characters of the
// ANSI code page. On Windows the path's own length; elsewhere a path of this
// system is measured with the Wine drive letter that stands for the folder
// holding it most closely in place of that folder (drive C for a path in the
// prefix's drive_c, Z: for one elsewhere), each character one byte.
std::size_t windowsPathLength(const SystemPaths& paths, std::string_view path);

// A path the run built as this system is handed it: on Windows the text
// itself; elsewhere as Windows reads it before it looks it up (".", ".."
// and doubled separators taken out as text, never above the root), so that
// every call, read or write, reaches the file Windows would.
std::string systemForm(const std::string& builtPath);

// How many folders below the root of its drive `path` lies once Windows has
// read it ("C:\\FS2002\\Tools\\.." lies one below C:\\): the most ".." a text
// appended to it can climb before Windows stops it. Elsewhere than Windows
// the drive is the one windowsPathLength measures with.
std::size_t foldersBelowDriveRoot(const SystemPaths& paths, std::string_view path);

// Text of registry value `valueName` under HKEY_LOCAL_MACHINE\`key` in the
// 32-bit view, where 32-bit setup programs such as FS2002's write; nothing
// when the key or value is missing, is no text, or is longer than
// kMaxPathLength. Elsewhere than Windows, read from the prefix's system.reg.
std::optional<std::string> registryText(const SystemPaths& paths, const char* key, const char* valueName);

// True when a file or folder of that name exists; letter case ignored.
bool pathExists(const std::string& path);

// A path the user typed, as this system spells it on disk: on Windows as it
// is (letter case never tells files apart there); elsewhere each component
// looked up as Windows would find it, in any ASCII letter case (a component
// that matches nothing stays as typed).
std::string spelledOnDisk(const std::string& typedPath);

// True when `path` names an existing file that is not a folder; the path as
// given (the command line's paths are the user's own).
bool isExistingFile(const std::string& path);

// Why a file or folder that exists could not be read, or written.
struct FileFailure {
  enum class Kind {
    AccessDenied,  // its permissions refuse this user
    InUse,         // another program holds it open without sharing
    DeviceName,    // its name is one Windows keeps for a device: never opened
    NameNotWindows,  // its name is one no Windows file can bear: never opened
    Missing,         // not there at all: the folder a scenery area names, say
    Other,         // anything else: `message` says what
  };
  Kind kind = Kind::Other;
  std::string message;  // the system's own words for the error
};

// The value of `key` in each of `sections` of the INI file at `filePath`,
// read once, each at most 999 characters; empty where the section or the key
// is missing. Nothing when the file is missing, is no regular file or cannot
// be read. Letter case ignored in the path, the section names and the key.
std::optional<std::vector<std::string>> profileValues(const std::string& filePath,
                                                      const std::vector<std::string>& sections,
                                                      const std::string& key);

// Hands the whole content of the regular file at `filePath` to `take`, block
// after block, from its first byte; false when it is missing, is no regular
// file or cannot be opened. Letter case ignored in the path.
bool readFileInBlocks(const std::string& filePath, const std::function<void(std::string_view)>& take);

// The entries of one folder that the Windows search for "*.bgl" reports.
struct FolderListing {
  std::string folder;               // the folder's path as shown: spelled on disk, or as built when Windows
                                    // would read it otherwise ("..", doubled separators, trailing dots)
  std::string entriesFolder;        // the folder's path to open its entries by
  std::vector<std::string> names;   // entry names as found, in the search's order
  std::optional<FileFailure> failure;  // set when the folder is there but could not be listed
};

// Lists the .bgl entries of `folder` (a path ending with a separator): names
// ending in ".bgl" and, as the search also matches 8.3 short names, names
// whose last extension begins with "bgl" (any letter case). Letter case
// ignored in the folder's path too. A missing folder gives no entries and
// no failure; one whose listing is refused (its permissions, say) gives the
// failure, and so does one whose search pattern ("*.bgl" after the folder)
// is longer than Windows' path buffer takes, measured as `paths` says.
FolderListing findBglFiles(const SystemPaths& paths, const std::string& folder);

// Longest search pattern Windows' "A" calls take: their path buffer of 261
// characters less its terminator, one more than a path the run builds.
inline constexpr std::size_t kMaxSearchPatternLength = kMaxPathLength + 1;

// True when the scan lists a file under its lower-cased name, as Windows'
// FS2002 tools always did (any spelling opens the file there); false where
// letter case tells files apart, so that a listed name opens the file it names.
bool listsNamesLowerCased();

// The entries of one folder: its files, and its subfolders without the links
// and junctions that lead to folders (a walk never follows one, so never into
// a loop). Names as found, in the order NTFS lists them on every system
// (listedBefore in path_text.h); devices and pipes are neither. Letter case
// ignored in the folder's path.
struct FolderContents {
  std::string folder;                // the folder's path as spelled on disk
  std::vector<std::string> files;
  std::vector<std::string> folders;
};
FolderContents listFolder(const std::string& folder);  // a path ending with a separator

// The root folders of the CD and DVD drives, each ending with a separator:
// on Windows the drives the system reports as such; elsewhere the Wine
// prefix's drives other than c: and the one that stands for the root, and
// the mounted ISO 9660 and UDF file systems.
std::vector<std::string> opticalDrives(const SystemPaths& paths);

// An open file of the system, owned: a descriptor on POSIX, a HANDLE on
// Windows, closed when its owner goes. No stream of the C library stands
// between: the reads are positioned, and opening costs no call beyond the
// system's own.
class File {
 public:
  File() = default;
  explicit File(std::intptr_t native) : native_(native) {}
  File(File&& other) noexcept : native_(std::exchange(other.native_, kNone)) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      close();
      native_ = std::exchange(other.native_, kNone);
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() { close(); }

  explicit operator bool() const { return native_ != kNone; }
  std::intptr_t native() const { return native_; }

 private:
  // -1 is no descriptor, and INVALID_HANDLE_VALUE.
  static constexpr std::intptr_t kNone = -1;
  void close();
  std::intptr_t native_ = kNone;
};

// Opens an existing regular file for binary reading, without denying other
// readers or writers access; no file when it cannot be opened. The path as
// given: the scan passes names as listed, spelled on disk. When `failure` is
// given, it is set only for a regular file that is there but could not be
// opened, or whose name Windows keeps for a device (such a file is never
// opened: on Windows that would open the device, which may wait for ever);
// a folder, a pipe, a device or a dangling link sets nothing.
File openForReading(const std::string& path, std::optional<FileFailure>* failure = nullptr);

// Reads up to `into.size()` bytes at `position` of a file opened by
// openForReading, in one system call: how many came, 0 at the end of the
// file or on an error (and then `into` is as it was). Fewer than asked does
// not by itself mean the end.
std::size_t readAt(const File& file, std::uint64_t position, std::span<std::uint8_t> into);

// Reads all of `into` from `position` by readAt, in as many calls as that
// takes; false when the file ends or fails first.
inline bool readExactly(const File& file, std::uint64_t position, std::span<std::uint8_t> into) {
  for (std::size_t got = 0; got < into.size();) {
    const std::size_t read = readAt(file, position + got, into.subspan(got));
    if (read == 0) return false;
    got += read;
  }
  return true;
}

// The size of a file opened by openForReading, as the system tells it now.
std::optional<std::uint64_t> fileSize(const File& file);

// Puts `bytes` in the file `path` in one step: written whole beside it (as
// `path` + ".trawlex-new"), flushed, then renamed over it, so that a power
// loss leaves the old file or the new one, never an empty one. Only a
// regular file or a new one, never a device, a pipe or a folder. Letter case
// ignored: an existing file of another spelling is the one replaced.
bool replaceWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Writing scenery and its backups. Each call returns only when what it did is
// on the disk, the file's bytes and its folder's entry, or tells why it failed.

// The read-only mark a new file is made with, before its bytes are flushed:
// on a POSIX disk the permission bits of the file `like` (when it exists)
// with the owner's write permission taken or given as `readOnly` says; on
// Windows the attribute.
struct NewFileMark {
  std::string like;
  bool readOnly = false;
};

// Creates `path`, which must not exist yet, holding `bytes`, marked as
// `mark` says (without one, as the system makes new files). On a failure no
// file of that name is left behind.
std::optional<FileFailure> writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                        const std::optional<NewFileMark>& mark = std::nullopt);

// What a replace did.
struct ReplaceOutcome {
  bool replaced = false;               // `to` now holds `from`'s bytes
  std::optional<FileFailure> failure;  // why not; when replaced, why the new entry may not be on the disk yet
};

// Puts the file `from` in the place of the file `to`, both in one folder, in
// one step: `to` holds either its old bytes or all of `from`'s, never
// neither. `to` need not exist. A read-only `to` is replaced as it is: a POSIX
// rename needs no write permission on it; Windows lifts its mark for the step
// and puts it back when the step fails. The file `to` named is otherwise left
// untouched (its other names, where it has some, keep it).
ReplaceOutcome replaceFile(const std::string& from, const std::string& to);

// Creates the folder `path`, whose parent exists.
std::optional<FileFailure> createFolder(const std::string& path);

// Removes the file `path`; true when it is gone.
bool removeFile(const std::string& path);

// Removes the empty folder `path`; true when it is gone.
bool removeFolder(const std::string& path);

// A file's read-only mark: Windows' attribute; on a POSIX disk the owner's
// lack of write permission, which Wine shows as that attribute. Nothing
// when the file cannot be asked.
std::optional<bool> isReadOnly(const std::string& path);
bool setReadOnly(const std::string& path, bool readOnly);

// What a path names, before a restore decides whether it may replace it.
struct FileFacts {
  enum class Kind {
    Missing,  // nothing of that name
    Regular,  // a file
    Link,     // a symbolic link (on Windows any reparse point): `linkTarget` where it leads
    Other,    // a folder, a device, a pipe
  };
  // The file system's identity of a regular file (device and inode; volume
  // serial number and file index): two paths with the same are one file.
  using Identity = std::pair<std::uint64_t, std::uint64_t>;
  Kind kind = Kind::Missing;
  std::optional<Identity> identity;
  std::uint32_t names = 1;  // how many names (hard links) the file has
  std::string linkTarget;   // empty where the system does not tell
};
FileFacts fileFacts(const std::string& path);

// True when another program holds the regular file `path` open, so that
// replacing it now would pull it from under that program (Windows refuses
// such a replace itself). False when the system cannot tell.
bool isInUse(const std::string& path);

// A name of this system in UTF-8, and back: on Windows the ANSI code page's
// text converted; elsewhere names are UTF-8 already and stay as they are.
// Lists that either build reads hold their paths in UTF-8.
std::string utf8FromSystemText(std::string_view text);
std::string systemTextFromUtf8(std::string_view text);

// A folder text of the installation (Windows form, from Scenery.cfg or the
// registry) as a path of this system; a drive letter's case is ignored, the
// rest is looked up later, by the calls that take the path.
struct FolderText {
  enum class Kind {
    Relative,     // to be appended to the host folder, even when it begins with a separator
    Absolute,     // a path of its own: a drive path, or one in the system's namespace ("\\.\C:\x")
    Unreachable,  // a drive no folder of this system stands for, or a network share
  };
  Kind kind;
  std::string path;
};
FolderText folderText(const SystemPaths& paths, std::string_view windowsText);

// True when `byte` begins a two-byte character of the system's ANSI code
// page; never on systems whose names are UTF-8, where no byte of a longer
// character looks like an ASCII one.
bool isLeadByte(char byte);

// Prepares standard output for the run's byte-exact texts and tells whether
// it is a terminal (each print then reaches it at once).
bool prepareStandardOutput();

// For as long as it lives, a console that standard output is shows the
// program's bytes in the code page they are written in (Windows' ANSI code
// page, as FileList.txt holds them), not in the console's own OEM one: names
// beyond ASCII then read as in the listing. The console's code page is put
// back after. Output to a file or a pipe, and every other system, is left as
// it is.
class ConsoleCodePage {
 public:
  ConsoleCodePage();
  ~ConsoleCodePage();  // NOLINT(performance-trivially-destructible): Windows' puts the code page back
  ConsoleCodePage(const ConsoleCodePage&) = delete;
  ConsoleCodePage& operator=(const ConsoleCodePage&) = delete;
  bool changed() const { return previous_ != 0; }

 private:
  unsigned previous_ = 0;  // the console's code page before, when it was changed
};

}  // namespace platform
