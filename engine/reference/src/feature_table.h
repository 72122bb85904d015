// The index's map from feature keys to dense feature ids: open addressing in
// two flat arrays, so that a lookup touches one or two cache lines where a
// node-based map at 100,000 commands takes several misses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "text_features.h"

namespace norvik {

class FeatureTable {
 public:
  static constexpr uint32_t kMissing = UINT32_MAX;

  // The id of `key`, or kMissing.
  uint32_t find(FeatureKey key) const {
    if (ids_.empty()) return kMissing;
    for (std::size_t slot = slotOf(key);; slot = (slot + 1) & mask_) {
      if (ids_[slot] == kMissing || keys_[slot] == key) return ids_[slot];
    }
  }

  // The id of `key`, given `nextId` (and `inserted` set) when it is new.
  uint32_t findOrInsert(FeatureKey key, uint32_t nextId, bool& inserted) {
    if (2 * (size_ + 1) > ids_.size()) grow();
    std::size_t slot = slotOf(key);
    for (; ids_[slot] != kMissing; slot = (slot + 1) & mask_) {
      if (keys_[slot] == key) {
        inserted = false;
        return ids_[slot];
      }
    }
    keys_[slot] = key;
    ids_[slot] = nextId;
    ++size_;
    inserted = true;
    return nextId;
  }

  std::size_t size() const { return size_; }
  std::size_t memoryBytes() const { return keys_.capacity() * sizeof(FeatureKey) + ids_.capacity() * sizeof(uint32_t); }

 private:
  std::size_t slotOf(FeatureKey key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_) & mask_;
  }

  void grow() {
    const std::vector<FeatureKey> keys = std::move(keys_);
    const std::vector<uint32_t> ids = std::move(ids_);
    const std::size_t capacity = ids.empty() ? 1024 : 2 * ids.size();
    keys_.assign(capacity, 0);
    ids_.assign(capacity, kMissing);
    mask_ = capacity - 1;
    shift_ = 64;
    for (std::size_t c = capacity; c > 1; c >>= 1) --shift_;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (ids[i] == kMissing) continue;
      std::size_t slot = slotOf(keys[i]);
      while (ids_[slot] != kMissing) slot = (slot + 1) & mask_;
      keys_[slot] = keys[i];
      ids_[slot] = ids[i];
    }
  }

  std::vector<FeatureKey> keys_;
  std::vector<uint32_t> ids_;  // kMissing marks an empty slot
  std::size_t size_ = 0;
  std::size_t mask_ = 0;
  unsigned shift_ = 64;
};

}  // namespace norvik
