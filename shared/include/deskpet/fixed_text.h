// A text of at most Capacity - 1 bytes held in the object itself, with its NUL.
// It has no destructor, so it can be a thread-local object whose thread's end
// runs no code (see engine/reference/src/scratch_space.h for why that matters).
// A longer text is cut to what fits, never inside a UTF-8 character.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "deskpet/utf8.h"

namespace deskpet {

template <std::size_t Capacity>
class FixedText {
  static_assert(Capacity > 0, "room for the NUL");

 public:
  void assign(std::string_view text) noexcept {
    const std::size_t length = utf8PrefixWithinBytes(text, Capacity - 1);
    if (length > 0) std::memcpy(bytes_, text.data(), length);
    bytes_[length] = '\0';
  }
  void clear() noexcept { bytes_[0] = '\0'; }
  const char* c_str() const noexcept { return bytes_; }

 private:
  char bytes_[Capacity] = {};
};

}  // namespace deskpet
