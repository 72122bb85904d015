#include "reply_keys.h"

#include <array>

namespace intent_bridge {

namespace {

constexpr std::size_t kSlots = 256;

std::size_t slotOf(std::string_view key) {
  const auto first = static_cast<unsigned char>(key.front());
  const auto last = static_cast<unsigned char>(key.back());
  return (key.size() * 31u + first * 7u + last) % kSlots;
}

// Open addressing over the key table; -1 marks an empty slot.
struct KeySlots {
  std::array<std::int32_t, kSlots> index{};

  KeySlots() {
    index.fill(-1);
    for (std::size_t i = 0; i < kReplyKeyCount; ++i) {
      std::size_t slot = slotOf(kReplyKeys[i]);
      while (index[slot] >= 0) slot = (slot + 1) % kSlots;
      index[slot] = static_cast<std::int32_t>(i);
    }
  }
};

}  // namespace

std::int32_t replyKeyIndex(std::string_view key) {
  static const KeySlots slots;
  if (key.empty()) return -1;
  for (std::size_t slot = slotOf(key);; slot = (slot + 1) % kSlots) {
    const std::int32_t candidate = slots.index[slot];
    if (candidate < 0 || kReplyKeys[candidate] == key) return candidate;
  }
}

}  // namespace intent_bridge
