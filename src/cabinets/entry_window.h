#pragma once

#include <cstdint>
#include <exception>
#include <set>
#include <vector>

#include "cabinets/cabinet_reader.h"
#include "cabinets/cabinet_set.h"
#include "cabinets/presented_cabinet.h"

namespace cabinets {

// Takes a folder's bytes as a decoder writes them, from the start of its
// first BGL entry on, and hands over each entry as soon as its last byte has
// come, however the entries overlap. It keeps only the bytes from the start
// of the earliest entry still to come, so never much more than the largest
// entry, whatever their number.
class EntryWindow : public DecodedBytes {
 public:
  // `entries` all of one folder and of non-zero size.
  EntryWindow(std::vector<const CandidateEntry*> entries, const EntryVisitor& visit);

  bool take(std::span<const std::uint8_t> bytes) override;
  // The entries whose bytes did not all come.
  std::vector<const CandidateEntry*> notHandedOver() const;
  bool ranOutOfMemory() const { return outOfMemory_; }
  // What the visitor threw, to be thrown again once the decoder is done.
  std::exception_ptr failure() const { return failure_; }

 private:
  void handOverEnded();
  void dropUnwanted();
  static std::uint64_t endOf(const CandidateEntry& entry) { return std::uint64_t{entry.offset} + entry.size; }

  std::vector<const CandidateEntry*> byEnd_;  // in the order their bytes end
  std::size_t handedOver_ = 0;                // of byEnd_
  std::multiset<std::uint64_t> startsToCome_;  // of the entries not handed over
  const EntryVisitor& visit_;
  std::vector<std::uint8_t> kept_;  // the folder's bytes from keptFrom_
  std::uint64_t keptFrom_ = 0;
  std::uint64_t position_ = 0;  // the folder offset of the next byte to come
  bool outOfMemory_ = false;
  std::exception_ptr failure_;
};

}  // namespace cabinets
