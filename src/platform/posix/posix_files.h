#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// The POSIX file calls that the services, the Windows view and the reading
// of Wine prefixes share: the status tests, opening only regular files, and
// reading a file whole in blocks.
namespace platform::posix {

// True when an entry of that name exists, a dangling link included.
bool entryExists(const std::string& path);

// True when `path` leads (through links) to anything that exists.
bool targetExists(const std::string& path);

// True when `path` is itself a symbolic link.
bool isLink(const std::string& path);

// The mount points of the mounted file systems of the given types (from
// /proc/self/mounts), in the order mounted.
std::vector<std::string> mountPointsOf(const std::vector<std::string>& types);

// True when `path` leads (through links) to a folder, or to a regular file.
bool isFolder(const std::string& path);
bool isRegularFile(const std::string& path);

// Opens an existing regular file with `flags`, never blocking on a pipe or a
// device; -1 when it is missing or anything else.
int openRegularFile(const std::string& path, int flags);

// Calls `take` with each block of the file `fd`, from its position to its
// end or to the first read that fails.
void forEachBlock(int fd, const std::function<void(std::string_view)>& take);

// The whole content of the regular file at `path`; nothing when it is no
// regular file or cannot be opened.
std::optional<std::string> regularFileText(const std::string& path);

// Names of the entries of `folder` ("" for the current folder), skipping "."
// and "..". When `error` is given, it receives the errno of a folder that
// could not be opened, or 0.
std::vector<std::string> folderEntries(const std::string& folder, int* error = nullptr);

// What the error `errorNumber` means for a file or folder that could not be read.
FileFailure fileFailureOf(int errorNumber);

// `path` with every link resolved, or empty text when it leads nowhere.
std::string resolvedPath(const std::string& path);

}  // namespace platform::posix
