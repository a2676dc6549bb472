#include "checks/file_bytes.h"

#include <algorithm>

namespace checks {

std::span<const std::uint8_t> FileBytes::bytesAtPosition() {
  const bool inWindow = position_ >= windowStart_ && position_ - windowStart_ < window_.size();
  if (!inWindow) {
    if (file_ == nullptr) return {};
    // A read that goes on where the window ends, or the file's first, fills
    // the window; one that jumps elsewhere brings a little, so that going to
    // and fro between a directory and the blocks it points to does not read
    // a whole window each time.
    const bool goesOn = window_.empty() || position_ == windowStart_ + window_.size();
    const std::size_t size = goesOn ? buffer_.size() : std::min(buffer_.size(), kJumpReadSize);
    const std::size_t got = readAt_(*file_, position_, buffer_.first(size));
    // A read that brings nothing leaves the window as it was, so finding the
    // end of a small file costs it no second read of its bytes.
    if (got == 0) return {};
    windowStart_ = position_;
    window_ = buffer_.first(got);
  }
  return window_.subspan(static_cast<std::size_t>(position_ - windowStart_));
}

std::size_t FileBytes::read(std::span<std::uint8_t> into) {
  std::size_t copied = 0;
  while (copied < into.size()) {
    const std::span<const std::uint8_t> available = bytesAtPosition();
    if (available.empty()) break;
    const std::size_t take = std::min(available.size(), into.size() - copied);
    std::copy_n(available.begin(), take, into.begin() + static_cast<std::ptrdiff_t>(copied));
    copied += take;
    position_ += take;
  }
  return copied;
}

std::span<const std::uint8_t> FileBytes::nextBlock() {
  const std::span<const std::uint8_t> block = bytesAtPosition();
  position_ += block.size();
  return block;
}

}  // namespace checks
