#include "cabinets/entry_window.h"

#include <algorithm>
#include <new>
#include <tuple>

namespace cabinets {

EntryWindow::EntryWindow(std::vector<const CandidateEntry*> entries, const EntryVisitor& visit)
    : byEnd_(std::move(entries)), visit_(visit) {
  // Entries of the same bytes end together, next to each other.
  std::sort(byEnd_.begin(), byEnd_.end(), [](const CandidateEntry* a, const CandidateEntry* b) {
    return std::make_tuple(endOf(*a), a->offset, a->order) < std::make_tuple(endOf(*b), b->offset, b->order);
  });
  for (const CandidateEntry* entry : byEnd_) startsToCome_.insert(entry->offset);
  position_ = startsToCome_.empty() ? 0 : *startsToCome_.begin();
  keptFrom_ = position_;
}

bool EntryWindow::take(std::span<const std::uint8_t> bytes) {
  if (failure_) return false;
  try {
    const std::uint64_t from = position_;
    position_ += bytes.size();
    std::size_t skipped = 0;
    if (kept_.empty()) {
      keptFrom_ = std::max(from, startsToCome_.empty() ? position_ : *startsToCome_.begin());
      skipped = static_cast<std::size_t>(std::min<std::uint64_t>(keptFrom_ - from, bytes.size()));
    }
    kept_.insert(kept_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(skipped), bytes.end());
    handOverEnded();
    dropUnwanted();
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
    return false;
  } catch (...) {
    // Carried across the decoder, which is C, to the caller.
    failure_ = std::current_exception();
    return false;
  }
  return true;
}

void EntryWindow::handOverEnded() {
  for (; handedOver_ < byEnd_.size() && endOf(*byEnd_[handedOver_]) <= position_; ++handedOver_) {
    const CandidateEntry& entry = *byEnd_[handedOver_];
    const bool same = handedOver_ > 0 && byEnd_[handedOver_ - 1]->offset == entry.offset &&
                      byEnd_[handedOver_ - 1]->size == entry.size;
    const std::span<const std::uint8_t> bytes(kept_.data() + (entry.offset - keptFrom_), entry.size);
    visit_(EntryOut{entry.order, entry.name, bytes, same});
    startsToCome_.erase(startsToCome_.find(entry.offset));
  }
}

// Forgets the bytes before the earliest entry still to come; the buffer is
// shifted only when that frees at least half of it, so each byte moves at
// most about once.
void EntryWindow::dropUnwanted() {
  const std::uint64_t keepFrom = startsToCome_.empty() ? position_ : *startsToCome_.begin();
  if (keepFrom <= keptFrom_) return;
  const auto unwanted = static_cast<std::size_t>(std::min<std::uint64_t>(keepFrom - keptFrom_, kept_.size()));
  if (unwanted == kept_.size()) {
    kept_.clear();
  } else if (unwanted >= kept_.size() / 2) {
    kept_.erase(kept_.begin(), kept_.begin() + static_cast<std::ptrdiff_t>(unwanted));
  } else {
    return;
  }
  keptFrom_ += unwanted;
}

std::vector<const CandidateEntry*> EntryWindow::notHandedOver() const {
  return {byEnd_.begin() + static_cast<std::ptrdiff_t>(handedOver_), byEnd_.end()};
}

}  // namespace cabinets
