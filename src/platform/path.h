#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

// One path of the run, made once from its text as built: the form the user
// is shown (as built, ".." kept), the form the system is handed (on Linux as
// Windows reads it on the Wine disk), and its length in the Windows form,
// which the path limit measures. Joining and taking the parent refuse a
// result past the limit, so no caller carries the limit or the separator by
// hand.
namespace platform {

class Path {
 public:
  // Nothing when `built` is longer than the path limit in its Windows form.
  static std::optional<Path> of(const SystemPaths& paths, std::string built);

  const std::string& shown() const { return shown_; }
  const std::string& system() const { return system_; }
  std::size_t windowsLength() const { return windowsLength_; }

  // True for a folder's path, which ends with its separator.
  bool namesFolder() const;

  // `name` inside this folder: a separator put between unless the path ends
  // with one. Nothing past the limit.
  std::optional<Path> joined(std::string_view name) const;

  // The folder that holds it, ending with its separator; nothing for a path
  // without a separator.
  std::optional<Path> parent() const;

  // The name after the last separator (either kind).
  std::string fileName() const;

  friend bool operator==(const Path& a, const Path& b) { return a.shown_ == b.shown_; }

 private:
  Path(SystemPaths paths, std::string shown, std::size_t windowsLength);

  SystemPaths paths_;
  std::string shown_;
  std::string system_;
  std::size_t windowsLength_;
};

}  // namespace platform
