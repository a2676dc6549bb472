// Windows services through the ANSI entry points, so that paths stay texts in
// the system's 8-bit code page as FS2002 itself writes them.

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/path_text.h"

namespace platform {

namespace {

constexpr DWORD kPathBufferSize = MAX_PATH;  // 260 bytes, terminator included
constexpr DWORD kProfileBufferSize = 1000;

}  // namespace

char pathSeparator() { return '\\'; }

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
  const LONG result = RegQueryValueExA(handle, valueName, nullptr, nullptr, buffer, &size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return std::nullopt;  // missing, or longer than the buffer
  std::string text(reinterpret_cast<const char*>(buffer), size);
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  if (text.size() > kMaxPathLength) return std::nullopt;
  return text;
}

bool pathExists(const std::string& path) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

bool isExistingFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::vector<std::string> profileValues(const std::string& filePath, const std::vector<std::string>& sections,
                                       const std::string& key) {
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

FolderListing findBglFiles(const std::string& folder) {
  FolderListing listing{folder, {}};
  WIN32_FIND_DATAA found;
  const std::string pattern = folder + "*.bgl";
  const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return listing;
  do {
    // A long name with characters the ANSI code page lacks comes with '?' or
    // a look-alike letter in their place and names no file; its 8.3 short
    // name does.
    const bool hasShortName = found.cAlternateFileName[0] != '\0';
    const bool unreadable = std::strchr(found.cFileName, '?') != nullptr || !pathExists(folder + found.cFileName);
    listing.names.emplace_back(hasShortName && unreadable ? found.cAlternateFileName : found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return listing;
}

std::FILE* openForReading(const std::string& path) { return _fsopen(path.c_str(), "rb", _SH_DENYNO); }

std::size_t readAt(std::FILE* file, std::uint64_t position, std::span<std::uint8_t> into) {
  // The C library keeps the system's handle as an integer.
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));  // NOLINT(performance-no-int-to-ptr)
  // A synchronous handle reads at the OVERLAPPED offset and waits for the bytes.
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(position);
  at.OffsetHigh = static_cast<DWORD>(position >> 32);
  const auto ask = static_cast<DWORD>(std::min<std::size_t>(into.size(), 0x40000000U));
  DWORD got = 0;
  if (handle == INVALID_HANDLE_VALUE || !ReadFile(handle, into.data(), ask, &got, &at)) return 0;
  return got;
}

std::FILE* openForWriting(const std::string& path) { return std::fopen(path.c_str(), "wb"); }

FolderText folderText(const SystemPaths&, std::string_view windowsText) {
  const bool absolute = isDrivePath(windowsText) || windowsText.substr(0, 2) == "\\\\";
  return {absolute ? FolderText::Kind::Absolute : FolderText::Kind::Relative, std::string(windowsText)};
}

bool isLeadByte(char byte) { return IsDBCSLeadByte(static_cast<BYTE>(byte)) != 0; }

bool prepareStandardOutput() {
  // Text mode would turn the writer's CR LF into CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  const bool terminal = _isatty(_fileno(stdout)) != 0;
  // Without the block buffer the stream keeps its default; output is the same.
  if (!terminal) (void)std::setvbuf(stdout, nullptr, _IOFBF, kOutputBlockSize);
  return terminal;
}

}  // namespace platform
