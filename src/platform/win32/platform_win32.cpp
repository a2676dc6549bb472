// Windows services through the ANSI entry points, so that paths stay texts in
// the system's 8-bit code page as FS2002 itself writes them.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/path_text.h"
#include "platform/text_encoding.h"
#include "platform/windows_path.h"

namespace platform {

namespace {

constexpr DWORD kPathBufferSize = MAX_PATH;  // 260 bytes, terminator included
constexpr DWORD kProfileBufferSize = 1000;

// The system's own words for `error`, without the line end it appends.
std::string systemMessage(DWORD error) {
  char buffer[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                                sizeof buffer, nullptr);
  while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' || buffer[length - 1] == ' ')) --length;
  if (length == 0) return "error " + std::to_string(error);
  return std::string(buffer, length);
}

FileFailure fileFailureOf(DWORD error) {
  using Kind = FileFailure::Kind;
  const Kind kind = error == ERROR_ACCESS_DENIED ? Kind::AccessDenied
                    : error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? Kind::InUse
                                                                                         : Kind::Other;
  return {kind, systemMessage(error)};
}

bool isAscii(const char* name) {
  for (; *name != '\0'; ++name) {
    if (static_cast<unsigned char>(*name) >= 0x80) return false;
  }
  return true;
}

bool isFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Opens an existing file for reading as the C library's "rb" with
// _SH_DENYNO does, keeping the system's error when it fails.
HANDLE openShared(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Opens `path` for reading when it is a file on a disk: not a folder, not a
// device, not a pipe; INVALID_HANDLE_VALUE otherwise.
HANDLE openDiskFile(const std::string& path) {
  if (isFolder(path)) return INVALID_HANDLE_VALUE;
  const HANDLE handle = openShared(path);
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) == FILE_TYPE_DISK) return handle;
  CloseHandle(handle);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

char pathSeparator() { return '\\'; }

std::string systemForm(const std::string& builtPath) { return builtPath; }

std::string programPath() {
  char buffer[kPathBufferSize];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, kPathBufferSize);
  // A full buffer means the path was cut: no text rather than another path.
  if (length == 0 || length >= kPathBufferSize) return {};
  return std::string(buffer, length);
}

// "C:" alone names the drive's current folder, not its root: the own folder
// text of a program in a drive's root is made current as "C:\\".
void setCurrentFolder(const std::string& folder) {
  const bool driveOnly = folder.size() == 2 && folder[1] == ':';
  SetCurrentDirectoryA(driveOnly ? (folder + '\\').c_str() : folder.c_str());
}

std::string currentFolder() {
  // Read in full even beyond the path limit, so that the caller refuses a long
  // folder instead of seeing it cut or empty.
  const DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return {};
  std::vector<char> buffer(needed);
  const DWORD length = GetCurrentDirectoryA(needed, buffer.data());
  if (length == 0 || length >= needed) return {};
  return std::string(buffer.data(), length);
}

// Windows path texts are this system's paths: nothing to map.
SystemPaths systemPaths(const std::string&) { return nullptr; }

std::optional<std::string> registryText(const SystemPaths&, const char* key, const char* valueName) {
  // A 64-bit program must ask for the 32-bit view; a 32-bit one sees it
  // anyway and keeps the plain access that every Windows version takes.
  constexpr REGSAM kAccess = KEY_QUERY_VALUE | (sizeof(void*) == 8 ? KEY_WOW64_32KEY : 0);
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, kAccess, &handle) != ERROR_SUCCESS) return std::nullopt;
  BYTE buffer[kPathBufferSize] = {};
  DWORD size = kPathBufferSize;
  DWORD type = REG_NONE;
  const LONG result = RegQueryValueExA(handle, valueName, nullptr, &type, buffer, &size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return std::nullopt;  // missing, or longer than the buffer
  // A number or bytes is no path, as the prefix's reader on other systems also says.
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  std::string text(reinterpret_cast<const char*>(buffer), size);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  if (text.size() > kMaxPathLength) return std::nullopt;
  return text;
}

bool pathExists(const std::string& path) {
  // The search finds no drive's root ("D:\\"): the root is asked for its attributes.
  if (path.size() == 3 && isDrivePath(path)) return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

std::string spelledOnDisk(const std::string& typedPath) { return typedPath; }

bool isExistingFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::vector<std::string>> profileValues(const std::string& filePath,
                                                      const std::vector<std::string>& sections,
                                                      const std::string& key) {
  // The system's reader answers a missing or unreadable file with the
  // defaults, so the file is tried first.
  const HANDLE file = openDiskFile(filePath);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  CloseHandle(file);
  // The system's reader keeps the file it read last, so asking once per
  // section reads the file once.
  std::vector<std::string> values;
  for (const std::string& section : sections) {
    char buffer[kProfileBufferSize] = {};
    const DWORD length =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, kProfileBufferSize, filePath.c_str());
    values.emplace_back(buffer, length);
  }
  return values;
}

bool readFileInBlocks(const std::string& filePath, const std::function<void(std::string_view)>& take) {
  const HANDLE handle = openDiskFile(filePath);
  if (handle == INVALID_HANDLE_VALUE) return false;
  std::vector<char> block(kReadBlockSize);
  DWORD got = 0;
  while (ReadFile(handle, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got > 0) {
    take(std::string_view(block.data(), got));
  }
  CloseHandle(handle);
  return true;
}

FolderListing findBglFiles(const SystemPaths&, const std::string& folder) {
  FolderListing listing{folder, folder, {}, std::nullopt};
  WIN32_FIND_DATAA found;
  const std::string pattern = folder + "*.bgl";
  const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    // "Not found" is a folder without a match; a refused search is a failure
    // even where the refusal hides the folder; other errors only for a folder that is there.
    const DWORD error = GetLastError();
    const bool refused = error == ERROR_ACCESS_DENIED;
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES && (refused || isFolder(folder))) {
      listing.failure = fileFailureOf(error);
    }
    return listing;
  }
  do {
    // A long name with characters the ANSI code page lacks comes with '?' or
    // a look-alike letter in their place and names no file; its 8.3 short
    // name does. No file name holds '?'; only a name beyond ASCII can hold a
    // look-alike, so only such a name costs a look at the disk.
    const bool hasShortName = found.cAlternateFileName[0] != '\0';
    const bool unreadable = hasShortName && (std::strchr(found.cFileName, '?') != nullptr ||
                                             (!isAscii(found.cFileName) && !pathExists(folder + found.cFileName)));
    listing.names.emplace_back(unreadable ? found.cAlternateFileName : found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return listing;
}

FolderContents listFolder(const std::string& folder) {
  FolderContents contents{folder, {}, {}};
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return contents;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const bool folderEntry = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A junction or a link to a folder is never followed.
    if (!folderEntry) {
      contents.files.push_back(name);
    } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      contents.folders.push_back(name);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  // The file system's own order differs between disks (a CD's is not NTFS's):
  // every system gives NTFS's, so the same original is found first.
  std::sort(contents.files.begin(), contents.files.end(), listedBefore);
  std::sort(contents.folders.begin(), contents.folders.end(), listedBefore);
  return contents;
}

std::vector<std::string> opticalDrives(const SystemPaths&) {
  std::vector<std::string> drives;
  const DWORD present = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if ((present & (1U << (letter - 'A'))) == 0) continue;
    const std::string root = std::string(1, letter) + ":\\";
    if (GetDriveTypeA(root.c_str()) == DRIVE_CDROM) drives.push_back(root);
  }
  return drives;
}

void File::close() {
  // The native value is the HANDLE itself.
  if (native_ != kNone) CloseHandle(reinterpret_cast<HANDLE>(native_));  // NOLINT(performance-no-int-to-ptr)
  native_ = kNone;
}

File openForReading(const std::string& path, std::optional<FileFailure>* failure) {
  // Opening such a name reaches the device (a serial port may wait for ever),
  // so it is never opened; the "*.bgl" search lists it as a file on the disk.
  if (isDeviceName(fileNameOf(path))) {
    if (failure != nullptr) *failure = FileFailure{FileFailure::Kind::DeviceName, {}};
    return File();
  }
  const HANDLE handle = openShared(path);
  if (handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_DISK) {
    // A pipe or a character device holds no scenery: skipped, as a folder is.
    CloseHandle(handle);
    return File();
  }
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A folder fails to open too; only a file that is there failed.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool file = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (failure != nullptr && file) *failure = fileFailureOf(error);
    return File();
  }
  return File(reinterpret_cast<std::intptr_t>(handle));
}

namespace {

HANDLE handleOf(const File& file) {
  return reinterpret_cast<HANDLE>(file.native());  // NOLINT(performance-no-int-to-ptr)
}

}  // namespace

std::size_t readAt(const File& file, std::uint64_t position, std::span<std::uint8_t> into) {
  if (!file) return 0;
  // The handle's own position is moved there and read from: a read at an
  // OVERLAPPED offset costs Wine a call to its server on top, for every read.
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(std::min<std::uint64_t>(position, std::numeric_limits<LONGLONG>::max()));
  if (!SetFilePointerEx(handleOf(file), at, nullptr, FILE_BEGIN)) return 0;
  const auto ask = static_cast<DWORD>(std::min<std::size_t>(into.size(), 0x40000000U));
  DWORD got = 0;
  if (!ReadFile(handleOf(file), into.data(), ask, &got, nullptr)) return 0;
  return got;
}

std::optional<std::uint64_t> fileSize(const File& file) {
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(handleOf(file), &size) || size.QuadPart < 0) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool replaceWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  // Only a disk file or a new one: a device or a pipe of that name is never written.
  const HANDLE existing = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    const bool disk = GetFileType(existing) == FILE_TYPE_DISK && !isFolder(path);
    CloseHandle(existing);
    if (!disk) return false;
  }
  const std::string temporary = path + ".trawlex-new";
  removeFile(temporary);
  if (writeNewFile(temporary, bytes)) return false;
  if (replaceFile(temporary, path).replaced) return true;
  removeFile(temporary);
  return false;
}

namespace {

bool writeAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const auto ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 0x40000000U));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), ask, &written, nullptr) || written == 0) return false;
    bytes = bytes.subspan(written);
  }
  return true;
}

}  // namespace

std::optional<FileFailure> writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                        const std::optional<NewFileMark>& mark) {
  // Made read-only, the file still takes its bytes through this handle.
  const DWORD attributes = mark && mark->readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
  if (file == INVALID_HANDLE_VALUE) return fileFailureOf(GetLastError());
  DWORD error = ERROR_SUCCESS;
  if (!writeAll(file, bytes) || !FlushFileBuffers(file)) error = GetLastError();
  if (!CloseHandle(file) && error == ERROR_SUCCESS) error = GetLastError();
  if (error == ERROR_SUCCESS) return std::nullopt;
  if (mark && mark->readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
  return fileFailureOf(error);
}

ReplaceOutcome replaceFile(const std::string& from, const std::string& to) {
  // A read-only file cannot be replaced: its mark is lifted for the step.
  const DWORD attributes = GetFileAttributesA(to.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly) SetFileAttributesA(to.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {true, std::nullopt};
  }
  const DWORD error = GetLastError();
  if (readOnly) SetFileAttributesA(to.c_str(), attributes);
  return {false, fileFailureOf(error)};
}

std::optional<FileFailure> createFolder(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return std::nullopt;
  return fileFailureOf(GetLastError());
}

bool removeFile(const std::string& path) {
  if (DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) return true;
  // A read-only file is removed only once its mark is lifted.
  if (GetLastError() != ERROR_ACCESS_DENIED || !SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL)) return false;
  return DeleteFileA(path.c_str()) != 0;
}

bool removeFolder(const std::string& path) {
  return RemoveDirectoryA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
         GetLastError() == ERROR_PATH_NOT_FOUND;
}

std::optional<bool> isReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool setReadOnly(const std::string& path, bool readOnly) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  const DWORD changed = readOnly ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
  return SetFileAttributesA(path.c_str(), changed == 0 ? FILE_ATTRIBUTE_NORMAL : changed) != 0;
}

FileFacts fileFacts(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  FileFacts facts;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    facts.kind = FileFacts::Kind::Link;
    return facts;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    facts.kind = FileFacts::Kind::Other;
    return facts;
  }
  // No access asked: the identity can be read while another program holds the file.
  const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    facts.kind = FileFacts::Kind::Regular;
    return facts;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const bool disk = GetFileType(file) == FILE_TYPE_DISK;
  if (disk && GetFileInformationByHandle(file, &information)) {
    facts.identity = std::pair{std::uint64_t{information.dwVolumeSerialNumber},
                               std::uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow};
    facts.names = information.nNumberOfLinks;
  }
  CloseHandle(file);
  facts.kind = disk ? FileFacts::Kind::Regular : FileFacts::Kind::Other;
  return facts;
}

bool isInUse(const std::string& path) {
  // Asking to delete it, sharing everything: refused exactly while another
  // handle does not share deletion, which a replace needs.
  const HANDLE file = CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(file);
  return false;
}

std::string utf8FromSystemText(std::string_view text) { return utf8FromAnsi(text); }
std::string systemTextFromUtf8(std::string_view text) { return ansiFromUtf8(text); }

std::size_t windowsPathLength(const SystemPaths&, std::string_view path) { return path.size(); }

std::size_t foldersBelowDriveRoot(const SystemPaths&, std::string_view path) {
  std::string text(path);
  std::replace(text.begin(), text.end(), '/', '\\');
  return foldersBelowRoot(text, windowsPathStart(text).rootLength, '\\');
}

FolderText folderText(const SystemPaths&, std::string_view windowsText) {
  const bool absolute = isDrivePath(windowsText) || windowsText.substr(0, 2) == "\\\\";
  return {absolute ? FolderText::Kind::Absolute : FolderText::Kind::Relative, std::string(windowsText)};
}

bool isLeadByte(char byte) { return IsDBCSLeadByte(static_cast<BYTE>(byte)) != 0; }

bool listsNamesLowerCased() { return true; }

ConsoleCodePage::ConsoleCodePage() {
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) == 0) return;  // a file or a pipe
  const UINT own = GetConsoleOutputCP();
  if (own == GetACP() || SetConsoleOutputCP(GetACP()) == 0) return;
  previous_ = own;
}

ConsoleCodePage::~ConsoleCodePage() {
  if (previous_ != 0) SetConsoleOutputCP(previous_);
}

bool prepareStandardOutput() {
  // Text mode would turn the writer's CR LF into CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  const bool terminal = _isatty(_fileno(stdout)) != 0;
  // A console (or NUL) would otherwise get no buffer, and the C library
  // writes an unbuffered stream one character per system call; a terminal's
  // prints are flushed whole, one call each. Without the buffer the output is
  // the same.
  (void)std::setvbuf(stdout, nullptr, _IOFBF, kOutputBlockSize);
  return terminal;
}

}  // namespace platform
