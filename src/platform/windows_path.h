#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// How Win32 reads a path text before any file system sees it: the kind of
// its start, then its components collapsed. FS2002 hands its paths to these
// rules, so the Linux program applies the same ones to the paths it builds,
// and a folder that FS2002 loads is the folder this program checks.
namespace platform {

// The kinds of path start Win32 tells apart.
enum class WindowsPathKind {
  DriveAbsolute,  // "C:\x": from the drive's root
  DriveRelative,  // "C:x": from the drive's current folder
  Rooted,         // "\x": from the current drive's root
  Relative,       // "x": from the current folder
  Unc,            // "\\server\share\x": a network share
  Device,         // "\\.\x" or "\\?\x": the system's own namespace
};

struct WindowsPathStart {
  WindowsPathKind kind;
  std::size_t rootLength;  // bytes that no ".." goes above: "C:\", "\\server\share\", "\\.\"
};

// The start of `text`, in which '/' and '\' are both separators.
WindowsPathStart windowsPathStart(std::string_view text);

// `path` with everything after its first `rootLength` bytes collapsed as
// Win32 collapses it: runs of `separator` made one, "." components dropped,
// ".." taking the component before it away (never into the root), one dot
// dropped from the end of every component a separator follows, and the dots
// and blanks dropped from the end of the last one.
std::string collapsedPath(std::string_view path, std::size_t rootLength, char separator);

// `relative` (separators '\\' and '/' alike) without each ".." that would lead
// more than `depth` folders up from where it starts, as Windows stops them at
// a drive's root; everything else kept as written.
std::string withoutParentsAbove(std::string_view relative, std::size_t depth);

// How many folders below its root a path names once collapsed.
std::size_t foldersBelowRoot(std::string_view path, std::size_t rootLength, char separator);

}  // namespace platform
