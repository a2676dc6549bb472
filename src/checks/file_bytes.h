#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/platform.h"

namespace checks {

// How much a read brings that jumps away from the window.
inline constexpr std::size_t kJumpReadSize = 4096;

// The bytes of one open file as the checks read them: a position that seeks
// move without a system call, and one window of the file's bytes that reads
// are served from. The window is read again, in one positioned read, only
// when a read needs bytes outside it, so a file no larger than the window
// comes in with one read however often the checks seek about in it. A file
// already in memory (an entry of a cabinet) is its own window.
class FileBytes {
 public:
  using ReadAtFunction = std::size_t (*)(const platform::File&, std::uint64_t, std::span<std::uint8_t>);

  FileBytes(const platform::File& file, std::span<std::uint8_t> window, ReadAtFunction readAt = platform::readAt)
      : file_(&file), buffer_(window), readAt_(readAt) {}
  explicit FileBytes(std::span<const std::uint8_t> wholeFile) : window_(wholeFile) {}

  // Moves the position; a position beyond the end is kept, and reads there
  // get nothing.
  void seek(std::uint64_t position) { position_ = position; }
  std::uint64_t position() const { return position_; }

  // Copies bytes from the position into `into` and moves past them: all of
  // them, unless the file ends first or cannot be read.
  std::size_t read(std::span<std::uint8_t> into);

  // The bytes from the position to the end of the window (read again first
  // when the position is outside it), moving past them; empty at the end of
  // the file. A file read block by block goes into the window directly.
  std::span<const std::uint8_t> nextBlock();

 private:
  std::span<const std::uint8_t> bytesAtPosition();

  const platform::File* file_ = nullptr;    // none for a file in memory
  std::span<std::uint8_t> buffer_;          // where reads of the file go
  ReadAtFunction readAt_ = nullptr;
  std::span<const std::uint8_t> window_;    // the file's bytes at hand, from windowStart_
  std::uint64_t position_ = 0;
  std::uint64_t windowStart_ = 0;
};

}  // namespace checks
