// A fixed table of short names and the index of a name in it: open addressing
// over a hash of the name's length and first and last bytes, laid out at
// compile time, then one comparison. Used for the property names and the
// string values that the reply builder holds once per environment.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "byte_compare.h"

namespace intent_bridge {

template <std::size_t kCount>
class NameTable {
 public:
  explicit constexpr NameTable(const std::string_view (&names)[kCount]) : names_(names), slots_() {
    for (std::int32_t& slot : slots_) slot = -1;
    for (std::size_t i = 0; i < kCount; ++i) {
      std::size_t slot = slotOf(names[i]);
      while (slots_[slot] >= 0) slot = (slot + 1) % kSlots;
      slots_[slot] = static_cast<std::int32_t>(i);
    }
  }

  // The index of `name`, or -1.
  std::int32_t find(std::string_view name) const {
    if (name.empty()) return -1;
    for (std::size_t slot = slotOf(name);; slot = (slot + 1) % kSlots) {
      const std::int32_t candidate = slots_[slot];
      if (candidate < 0 || sameName(candidate, name)) return candidate;
    }
  }

  // Whether `name` is the table's name at `index`.
  bool sameName(std::int32_t index, std::string_view name) const {
    const std::string_view held = names_[index];
    return held.size() == name.size() && sameBytes(held.data(), name.data(), name.size());
  }

 private:
  static constexpr std::size_t kSlots = 256;
  static_assert(kCount < kSlots / 2, "the table stays sparse");

  static constexpr std::size_t slotOf(std::string_view name) {
    const auto first = static_cast<unsigned char>(name.front());
    const auto last = static_cast<unsigned char>(name.back());
    return (name.size() * 31u + first * 7u + last) % kSlots;
  }

  const std::string_view* names_;
  std::array<std::int32_t, kSlots> slots_;
};

}  // namespace intent_bridge
