#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// FS2002's registry key as Windows spells it, and the same key in the 32-bit
// view of a 64-bit prefix, where FS2002's 32-bit setup writes.
inline constexpr const char* kFsRegistryKey = "Software\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0";
inline constexpr const char* kFsRegistryKey32 =
    "Software\\Wow6432Node\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0";

// `text` as Wine writes a string in its registry files: backslash and quote
// escaped, controls and characters beyond ASCII (given in UTF-8) as \xHHHH.
std::string registryEscaped(std::string_view text);

// A Wine prefix as Wine leaves it on disk: system.reg (rewritten with every
// change) and dosdevices links c: -> ../drive_c and z: -> /.
class PrefixBuilder {
 public:
  PrefixBuilder(std::filesystem::path folder, bool win64);

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path driveC() const { return folder_ / "drive_c"; }

  // Adds a value line to `key` (single backslashes); `data` stands in the
  // file as given, for example "\"C:\\\\FS2002\"" or "dword:00000001".
  PrefixBuilder& value(const std::string& key, const std::string& name, const std::string& data);

  // FS2002's "EXE Path" where its setup writes it, escaped as Wine writes it.
  PrefixBuilder& exePath(const std::string& windowsPath);

  // Points the dosdevices entry of `letter` at `target`.
  PrefixBuilder& drive(char letter, const std::filesystem::path& target);

 private:
  struct Key {
    std::string path;
    std::vector<std::string> lines;
  };
  void writeRegistry() const;

  std::filesystem::path folder_;
  bool win64_;
  std::vector<Key> keys_;
};

}  // namespace testsupport
