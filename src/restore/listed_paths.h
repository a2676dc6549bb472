#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "restore/manifest.h"

// How a backup list names the files it may change, and where each name
// leads in the installation found now. Internal to the restore.
namespace restore {

// How the list names `target`: relative to the host folder, with Windows
// separators, in UTF-8; a target outside the host folder by its whole path.
std::string recordedTarget(const std::string& host, const std::string& target);

// True when two paths of an installation name one folder to Windows.
bool sameFolder(std::string_view a, std::string_view b);

// The path of a listed file in the installation whose host folder is `host`;
// nothing for one that would lie outside it: a ".." anywhere, or a whole
// path in a list written for another installation.
std::optional<std::string> targetPath(const Manifest& manifest, const std::string& recorded, const std::string& host);

}  // namespace restore
