#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cabinets/cabinet_reader.h"
#include "platform/platform.h"

namespace cabinets {

// A cabinet as a decoder reads it: a regular file (never a pipe or a device,
// which could make the decoder wait for ever), read at a position of our
// own by the platform's positioned reads.
class CabinetFile {
 public:
  enum class From { Start, Current, End };

  // Nothing when `path` is no regular file that can be opened.
  static std::optional<CabinetFile> open(const std::string& path);

  // Copies up to `into.size()` bytes from the position and moves past them:
  // fewer only at the end of the file; nothing when the file cannot be read.
  std::optional<std::size_t> read(std::span<std::uint8_t> into);

  // Moves the position; false (and the position kept) for one before the start.
  bool seek(std::int64_t offset, From from);
  std::uint64_t position() const { return position_; }

 private:
  CabinetFile(platform::File file, std::uint64_t size) : file_(std::move(file)), size_(size) {}

  platform::File file_;
  std::uint64_t size_;
  std::uint64_t position_ = 0;
};

// The memory an entry comes out into, as a decoder writes it: at most
// kMaxEntrySize bytes, since more cannot come from a sound cabinet.
class EntrySink {
 public:
  void clear() { bytes_.clear(); }
  // False, and nothing taken, when the entry would grow past the limit or
  // memory runs out.
  bool append(const void* data, std::size_t size);
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Why a decoder could not read the cabinet at `path` to its end, told the
// same way on every system, whatever the decoder's own word: a file that
// cannot be opened; one that does not begin with the cabinet signature is
// not a cabinet; one that does is damaged or cut short.
CabinetProblem settledProblem(const std::string& path);

}  // namespace cabinets
