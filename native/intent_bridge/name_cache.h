// The command names a route reply carries again and again, remembered by
// their bytes in a few slots: the reply tape's builder keeps the script
// string it made for each slot, so that a name seen before is not decoded and
// made again. Direct-mapped: a name takes the slot its bytes hash to, and
// replaces the name held there.
//
// The slots say what the builder will hold once it has carried out the steps
// written so far; when a build fails part-way (a setter that throws), the
// steps after the failure never ran, and clear() forgets every slot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "byte_compare.h"

namespace intent_bridge {

class NameCache {
 public:
  static constexpr std::size_t kSlots = 256;
  static constexpr std::size_t kLongestName = 48;

  // The slot for `bytes`: hit when it holds those bytes already; otherwise
  // it is taken for them, and the builder must store their string there.
  // Slot -1 when the name is empty or too long to be kept.
  struct Slot {
    std::int32_t index;
    bool hit;
  };
  Slot find(std::string_view bytes) {
    const std::size_t size = bytes.size();
    if (size == 0 || size > kLongestName) return Slot{-1, false};
    Entry& entry = entries_[slotOf(bytes)];
    const auto index = static_cast<std::int32_t>(&entry - entries_);
    if (entry.size == size && sameBytes(entry.bytes, bytes.data(), size)) return Slot{index, true};
    entry.size = static_cast<std::uint8_t>(size);
    std::memcpy(entry.bytes, bytes.data(), size);
    return Slot{index, false};
  }

  void clear() {
    for (Entry& entry : entries_) entry.size = 0;
  }

 private:
  struct Entry {
    std::uint8_t size = 0;  // 0: empty
    char bytes[kLongestName] = {};
  };

  // Mixes the length and the first and last (up to) eight bytes.
  static std::size_t slotOf(std::string_view bytes) {
    const std::size_t size = bytes.size();
    std::uint64_t head = 0;
    std::uint64_t tail = 0;
    const std::size_t part = size < 8 ? size : 8;
    std::memcpy(&head, bytes.data(), part);
    std::memcpy(&tail, bytes.data() + size - part, part);
    const std::uint64_t mixed = (head ^ (tail * 0x9E3779B97F4A7C15ull) ^ size) * 0xFF51AFD7ED558CCDull;
    return static_cast<std::size_t>(mixed >> 56);  // the top eight bits: kSlots slots
  }

  Entry entries_[kSlots];
};

static_assert(NameCache::kSlots == 256, "slotOf takes eight bits");
static_assert(NameCache::kLongestName < 256, "sizes fit a byte");

}  // namespace intent_bridge
