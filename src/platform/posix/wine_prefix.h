#pragma once

#include <optional>
#include <string>
#include <string_view>

// How a Wine prefix, the usual home of FS2002 on Linux, answers the questions
// Windows answers itself: which folder a drive letter stands for, and what
// the registry holds. The Linux build reads the prefix as Wine leaves it on
// disk; nothing here starts Wine.
namespace platform::wine {

// The prefix of a run: the nearest folder, from the program's own folder
// upwards, that holds both system.reg and a dosdevices folder (the program
// sits inside that prefix); else `winePrefixVariable` when set and not empty;
// else `homeVariable`/.wine. Empty text when the chosen folder has no system.reg.
std::string findPrefix(const std::string& ownFolder, const char* winePrefixVariable, const char* homeVariable);

// The folder drive path `text` names inside `prefix`: the target of the
// prefix's dosdevices entry for the letter (lower case, symlinks resolved),
// then the rest with each backslash turned into a slash, never a doubled
// slash. Without a prefix only drive Z: leads anywhere: to the root, as in
// every new prefix. Empty text when the letter leads nowhere.
std::string drivePathOnDisk(const std::string& prefix, std::string_view text);

// True when a system.reg text is that of a 64-bit prefix ("#arch=win64").
bool isWin64Registry(std::string_view registry);

// The text of value `valueName` of key `keyPath` (single backslashes, as
// Windows spells keys) in a system.reg text, in UTF-8: written "..." or
// str(2):"..." in the file, with Wine's escapes undone. Key and value names
// compare without regard to ASCII letter case. Nothing for a missing key or
// value or a value of any other type.
std::optional<std::string> registryString(std::string_view registry, std::string_view keyPath,
                                          std::string_view valueName);

}  // namespace platform::wine
