#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testsupport {

namespace fs = std::filesystem;

TempDir::TempDir() : TempDir(fs::temp_directory_path()) {}

TempDir::TempDir(const fs::path& parent) {
  std::random_device seed;
  std::mt19937_64 random(seed() ^ static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = parent / ("trawlex-test-" + std::to_string(random()));
    if (fs::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Make read-only folders of a test writable again so that they can go.
  for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, ignored);
}

void writeBytes(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void writeText(const fs::path& path, const std::string& text) { writeBytes(path, Bytes(text.begin(), text.end())); }

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

platform::Path builtPath(const std::string& text) {
  std::optional<platform::Path> path = platform::Path::of({}, text);
  if (!path) throw std::runtime_error("path too long: " + text);
  return std::move(*path);
}

ScratchFile::ScratchFile(const Bytes& bytes) {
  const fs::path path = dir_.path() / "scratch.bgl";
  writeBytes(path, bytes);
  file_ = platform::openForReading(path.string());
  if (!file_) throw std::runtime_error("cannot open " + path.string());
}

ScratchFile::~ScratchFile() = default;

}  // namespace testsupport
