#include "reply_keys.h"

#include <array>

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

// The keys are a few bytes long: a plain loop beats a call to memcmp.
bool sameKey(std::string_view candidate, std::string_view key) {
  if (candidate.size() != key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (candidate[i] != key[i]) return false;
  }
  return true;
}

}  // namespace

std::int32_t replyKeyIndex(std::string_view key) {
  if (key.empty()) return -1;
  for (std::size_t slot = slotOf(key);; slot = (slot + 1) % kSlots) {
    const std::int32_t candidate = kKeySlots[slot];
    if (candidate < 0 || sameKey(kReplyKeys[candidate], key)) return candidate;
  }
}

}  // namespace intent_bridge
