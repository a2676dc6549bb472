#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cabinets/cabinet_set.h"

// What a decoder is given to read: a cabinet made for it of one folder of a
// set (its sound blocks only, a block split across parts joined again) and
// one file, the stretch of that folder from its first BGL entry to the end
// of its last. The header and the directory are made in memory; the
// compressed bytes are read from the parts where they lie. So a decoder
// never sees a set, a damaged directory or a block the program has not
// proved, and decodes each folder in one pass.
namespace cabinets {

class PresentedCabinet {
 public:
  PresentedCabinet(const CabinetSet& set, std::uint16_t compression, const std::vector<JoinedBlock>& blocks,
                   std::uint32_t stretchStart, std::uint32_t stretchSize);

  std::uint64_t size() const { return size_; }
  // Copies up to `into.size()` bytes from `position`: fewer only at the end
  // or when a part cannot be read.
  std::size_t readAt(std::uint64_t position, std::span<std::uint8_t> into) const;

 private:
  // A stretch of the presented bytes: from `made` (in memory) or a part.
  struct Segment {
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    std::optional<std::size_t> part;  // none: made, at `from` in `made_`
    std::uint64_t from = 0;
  };
  void addMade(const std::vector<std::uint8_t>& bytes);
  void addFromPart(std::size_t part, std::uint64_t offset, std::uint64_t size);

  const CabinetSet& set_;
  std::vector<std::uint8_t> made_;
  std::vector<Segment> segments_;
  std::uint64_t size_ = 0;
};

// A presented cabinet as a decoder's callbacks read it: at a position of
// their own, moved by seeks.
class PresentedFile {
 public:
  enum class From { Start, Current, End };
  explicit PresentedFile(const PresentedCabinet& cabinet) : cabinet_(cabinet) {}

  std::size_t read(std::span<std::uint8_t> into);
  // False, and the position kept, for one before the start.
  bool seek(std::int64_t offset, From from);
  std::uint64_t position() const { return position_; }

 private:
  const PresentedCabinet& cabinet_;
  std::uint64_t position_ = 0;
};

// Where a decoder writes the bytes it decodes.
class DecodedBytes {
 public:
  virtual ~DecodedBytes() = default;
  // False when they cannot be taken (no memory).
  virtual bool take(std::span<const std::uint8_t> bytes) = 0;
};

// How a decoder's work on a presented cabinet ended.
enum class DecodeOutcome { Complete, Failed, NoMemory };

// Decodes the one file of `cabinet` into `out`, through the system's
// decoder (each system builds its own).
DecodeOutcome decodePresented(const PresentedCabinet& cabinet, DecodedBytes& out);

}  // namespace cabinets
