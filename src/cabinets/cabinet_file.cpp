#include "cabinets/cabinet_file.h"

#include <array>

namespace cabinets {

std::optional<CabinetFile> CabinetFile::open(const std::string& path) {
  platform::FileHandle file{platform::openForReading(path)};
  if (!file) return std::nullopt;
  const std::optional<std::uint64_t> size = platform::fileSize(file.get());
  if (!size) return std::nullopt;
  return CabinetFile(std::move(file), *size);
}

std::optional<std::size_t> CabinetFile::read(std::span<std::uint8_t> into) {
  std::size_t copied = 0;
  while (copied < into.size() && position_ < size_) {
    const std::size_t got = platform::readAt(file_.get(), position_, into.subspan(copied));
    if (got == 0) return std::nullopt;  // short of the size the system told: unreadable
    copied += got;
    position_ += got;
  }
  return copied;
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

CabinetProblem settledProblem(const std::string& path) {
  std::optional<CabinetFile> file = CabinetFile::open(path);
  if (!file) return CabinetProblem::CannotOpen;
  constexpr std::array<std::uint8_t, 4> kSignature = {'M', 'S', 'C', 'F'};
  std::array<std::uint8_t, 4> start{};
  const std::optional<std::size_t> got = file->read(start);
  return got == start.size() && start == kSignature ? CabinetProblem::Damaged : CabinetProblem::NotACabinet;
}

}  // namespace cabinets
