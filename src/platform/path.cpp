#include "platform/path.h"

#include <utility>

#include "platform/path_text.h"

namespace platform {

Path::Path(SystemPaths paths, std::string shown, std::size_t windowsLength)
    : paths_(std::move(paths)), shown_(std::move(shown)), system_(systemForm(shown_)), windowsLength_(windowsLength) {}

std::optional<Path> Path::of(const SystemPaths& paths, std::string built) {
  const std::size_t length = windowsPathLength(paths, built);
  if (length > kMaxPathLength) return std::nullopt;
  return Path(paths, std::move(built), length);
}

bool Path::namesFolder() const { return !shown_.empty() && shown_.back() == pathSeparator(); }

std::optional<Path> Path::joined(std::string_view name) const {
  std::string text = shown_;
  if (!namesFolder()) text.push_back(pathSeparator());
  text.append(name);
  return of(paths_, std::move(text));
}

std::optional<Path> Path::parent() const {
  const std::string_view withoutEnd(shown_.data(), namesFolder() ? shown_.size() - 1 : shown_.size());
  const std::size_t last = lastSeparator(withoutEnd, pathSeparator());
  if (last == std::string::npos) return std::nullopt;
  return of(paths_, shown_.substr(0, last + 1));
}

std::string Path::fileName() const { return fileNameOf(shown_); }

}  // namespace platform
