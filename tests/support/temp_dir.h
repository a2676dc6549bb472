#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/path.h"
#include "platform/platform.h"
#include "support/bgl_builder.h"

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDir {
 public:
  TempDir();
  explicit TempDir(const std::filesystem::path& parent);  // a fresh folder inside `parent`
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Writes `bytes` to `path`, creating missing parent folders.
void writeBytes(const std::filesystem::path& path, const Bytes& bytes);

// Writes `text` to `path` byte for byte, creating missing parent folders.
void writeText(const std::filesystem::path& path, const std::string& text);

// The whole content of the file at `path` (empty when it cannot be read).
std::string readText(const std::filesystem::path& path);

// `text` as a path the run built, outside any Wine prefix; it must fit the path limit.
platform::Path builtPath(const std::string& text);

// A file holding `bytes`, open for binary reading at its first byte; the file
// and its folder go with the object.
class ScratchFile {
 public:
  explicit ScratchFile(const Bytes& bytes);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const platform::File& get() const { return file_; }

 private:
  TempDir dir_;
  platform::File file_;
};

}  // namespace testsupport
