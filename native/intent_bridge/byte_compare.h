// Equality of short byte runs (reply keys, a few bytes long) without a call
// to memcmp: compared a word at a time, the last word overlapping the one
// before. Reads no byte outside either run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace intent_bridge {

namespace byte_compare_detail {

template <typename Word>
Word wordAt(const char* bytes) {
  Word word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

}  // namespace byte_compare_detail

// Whether the `size` bytes at `a` and at `b` are equal.
inline bool sameBytes(const char* a, const char* b, std::size_t size) {
  using byte_compare_detail::wordAt;
  if (size >= 8) {
    for (std::size_t at = 0; at + 8 < size; at += 8) {
      if (wordAt<std::uint64_t>(a + at) != wordAt<std::uint64_t>(b + at)) return false;
    }
    return wordAt<std::uint64_t>(a + size - 8) == wordAt<std::uint64_t>(b + size - 8);
  }
  if (size >= 4) {
    return wordAt<std::uint32_t>(a) == wordAt<std::uint32_t>(b) &&
           wordAt<std::uint32_t>(a + size - 4) == wordAt<std::uint32_t>(b + size - 4);
  }
  for (std::size_t at = 0; at < size; ++at) {
    if (a[at] != b[at]) return false;
  }
  return true;
}

}  // namespace intent_bridge
