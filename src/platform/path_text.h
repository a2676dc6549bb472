#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

// File-name and path text, the one home of every rule the run applies to
// names: ASCII letter folding, the last separator, trimming, joining within
// the path limit. Names are bytes of the system's 8-bit code page; on the
// Japanese, Chinese and Korean editions of Windows a character may be two
// bytes, and its trail byte may look like an ASCII letter or a backslash, so
// every walk over a name goes character by character. Each function that
// walks takes the lead-byte rule, the system's own unless a test gives
// another.
namespace platform {

// Tells whether a byte begins a two-byte character.
using LeadByteTest = bool (*)(char);

// ASCII letters A to Z lowered and all other bytes unchanged, the folding
// every name comparison of the program uses.
constexpr char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// ASCII letters a to z raised, for orderings that follow upper-case spelling.
constexpr char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The order in which NTFS and Wine list names: by their upper-cased
// spelling, names that differ only in case by their bytes. Folder contents
// come in this order on every system.
bool listedBefore(const std::string& a, const std::string& b);

// `text` with every byte folded by foldAscii: for texts compared byte by
// byte with ASCII names (the stock tables, profile names).
std::string asciiFolded(std::string_view text);

// Byte-wise equality under foldAscii. Stock names and the names the run
// compares are ASCII, so a trail byte can never make two names equal.
bool sameAsciiFolded(std::string_view a, std::string_view b);

// True when `name` ends with `extension` (".bgl"), in any letter case.
bool hasExtension(std::string_view name, std::string_view extension);

// `text` with the ASCII letters A to Z lowered; other bytes, and the trail
// bytes of two-byte characters, unchanged.
std::string asciiLower(std::string text, LeadByteTest isLeadByte = platform::isLeadByte);

// Position of the last `separator` of `text` that is a character of its own
// (not the trail byte of a two-byte character), or npos.
std::size_t lastSeparator(std::string_view text, char separator, LeadByteTest isLeadByte = platform::isLeadByte);

// Length of `text` without its trailing characters that `trimmed` accepts;
// its first character always stays.
std::size_t lengthWithoutTrailing(std::string_view text, bool (*trimmed)(char),
                                  LeadByteTest isLeadByte = platform::isLeadByte);

// The text before the last `separator` of `path`, or empty text when it has none.
std::string folderOf(const std::string& path, char separator, LeadByteTest isLeadByte = platform::isLeadByte);

// The name after the last separator of `path`, this system's or '/' (Windows
// takes either), or the whole text when it has none.
std::string fileNameOf(const std::string& path, LeadByteTest isLeadByte = platform::isLeadByte);

// True for a file name that Windows keeps for a device (CON, PRN, AUX, NUL,
// COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$), with any extension and any
// letter case: opening it reaches the device, never a file on the disk.
bool isDeviceName(std::string_view fileName);

// True for a file name that no Windows file can bear: one holding \\ / : * " < >
// | or a control character, or ending with a dot or a blank (Win32 drops
// those before it looks a name up). A Linux disk can hold such a name; no
// Windows program opens the file by it. '?' is left out: the Windows search
// puts it for a character the code page lacks, and the file opens through its
// short name.
bool isNameWindowsCannotHold(std::string_view fileName, LeadByteTest isLeadByte = platform::isLeadByte);

// True for a folder text in which Windows refuses a character: a wildcard
// (* ?), " < > | or a control character, past a "\\?\" or "\\.\" start.
bool isPathWindowsRefuses(std::string_view text, LeadByteTest isLeadByte = platform::isLeadByte);

// True for a path text that starts with a drive letter, a colon and a
// backslash or slash ("C:\FS2002", "d:/Addon").
bool isDrivePath(std::string_view text);

// True when `path` fits the path limit, measured in its Windows form;
// longer paths are refused, never cut.
inline bool fitsPathLimit(const SystemPaths& paths, std::string_view path) {
  return windowsPathLength(paths, path) <= kMaxPathLength;
}

// The parts joined by this system's separator (an empty last part leaves the
// path ending with one); nothing when the result would not fit the path limit.
// Every part is kept as given: a folder that ends with a separator gets a
// second one, as Windows' own string building would give.
std::optional<std::string> joinPath(const SystemPaths& paths, std::initializer_list<std::string_view> parts);

// The path of `name` inside `folder`, a folder text that ends with its
// separator; nothing when it would not fit the path limit.
std::optional<std::string> pathInFolder(const SystemPaths& paths, std::string_view folder, std::string_view name);

}  // namespace platform
