#include "reply_keys.h"

#include <array>

#include "byte_compare.h"

namespace intent_bridge {

namespace {

constexpr std::size_t kSlots = 256;

constexpr std::size_t slotOf(std::string_view key) {
  const auto first = static_cast<unsigned char>(key.front());
  const auto last = static_cast<unsigned char>(key.back());
  return (key.size() * 31u + first * 7u + last) % kSlots;
}

// Open addressing over the key table, laid out at compile time; -1 marks an
// empty slot.
constexpr std::array<std::int32_t, kSlots> makeSlots() {
  std::array<std::int32_t, kSlots> index{};
  for (std::int32_t& slot : index) slot = -1;
  for (std::size_t i = 0; i < kReplyKeyCount; ++i) {
    std::size_t slot = slotOf(kReplyKeys[i]);
    while (index[slot] >= 0) slot = (slot + 1) % kSlots;
    index[slot] = static_cast<std::int32_t>(i);
  }
  return index;
}

constexpr std::array<std::int32_t, kSlots> kKeySlots = makeSlots();

}  // namespace

std::int32_t replyKeyIndex(std::string_view key) {
  if (key.empty()) return -1;
  for (std::size_t slot = slotOf(key);; slot = (slot + 1) % kSlots) {
    const std::int32_t candidate = kKeySlots[slot];
    if (candidate < 0) return -1;
    const std::string_view name = kReplyKeys[candidate];
    if (name.size() == key.size() && sameBytes(name.data(), key.data(), key.size())) return candidate;
  }
}

std::int32_t replyKeyIndex(std::string_view key, std::int32_t expected) {
  if (expected >= 0 && static_cast<std::size_t>(expected) < kReplyKeyCount) {
    const std::string_view name = kReplyKeys[expected];
    if (name.size() == key.size() && sameBytes(name.data(), key.data(), key.size())) return expected;
  }
  return replyKeyIndex(key);
}

}  // namespace intent_bridge
