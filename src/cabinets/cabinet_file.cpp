#include "cabinets/cabinet_file.h"

#include <algorithm>
#include <array>
#include <new>

namespace cabinets {

std::optional<CabinetFile> CabinetFile::open(const std::string& path) {
  platform::File file = platform::openForReading(path);
  if (!file) return std::nullopt;
  const std::optional<std::uint64_t> size = platform::fileSize(file);
  if (!size) return std::nullopt;
  return CabinetFile(std::move(file), *size);
}

std::optional<std::size_t> CabinetFile::read(std::span<std::uint8_t> into) {
  if (position_ >= size_) return 0;
  const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), size_ - position_));
  // Short of the size the system told: unreadable.
  if (!platform::readExactly(file_, position_, into.first(wanted))) return std::nullopt;
  position_ += wanted;
  return wanted;
}

bool CabinetFile::seek(std::int64_t offset, From from) {
  const std::uint64_t base = from == From::Start ? 0 : from == From::Current ? position_ : size_;
  if (offset >= 0) {
    position_ = base + static_cast<std::uint64_t>(offset);
    return true;
  }
  // -(offset + 1) cannot overflow, whatever the offset.
  const std::uint64_t back = static_cast<std::uint64_t>(-(offset + 1)) + 1;
  if (back > base) return false;
  position_ = base - back;
  return true;
}

bool EntrySink::append(const void* data, std::size_t size) {
  if (size > kMaxEntrySize - bytes_.size()) return false;
  const auto* from = static_cast<const std::uint8_t*>(data);
  try {
    bytes_.insert(bytes_.end(), from, from + size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

CabinetProblem settledProblem(const std::string& path) {
  std::optional<CabinetFile> file = CabinetFile::open(path);
  if (!file) return CabinetProblem::CannotOpen;
  constexpr std::array<std::uint8_t, 4> kSignature = {'M', 'S', 'C', 'F'};
  std::array<std::uint8_t, 4> start{};
  const std::optional<std::size_t> got = file->read(start);
  return got == start.size() && start == kSignature ? CabinetProblem::Damaged : CabinetProblem::NotACabinet;
}

}  // namespace cabinets
