// Text written piece by piece into space kept from one use to the next, as
// the router writes its reasoning: a piece is copied in place (a short piece
// of known length with a few moves, no call into the string library), and the
// space grows, rarely, by doubling.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace norvik {

class TextBuffer {
 public:
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const { return std::string_view(space_.data(), size_); }
  operator std::string_view() const { return view(); }  // NOLINT: read wherever text is read

  void clear() { size_ = 0; }
  TextBuffer& assign(std::string_view piece) {
    size_ = 0;
    return append(piece);
  }
  // `piece` must not be a view of this buffer. Inlined where it is called, so
  // that a literal's copy is a few moves.
  [[gnu::always_inline]] TextBuffer& append(std::string_view piece) {
    if (piece.empty()) return *this;
    if (piece.size() > space_.size() - size_) grow(piece.size());
    std::memcpy(&space_[size_], piece.data(), piece.size());
    size_ += piece.size();
    return *this;
  }
  TextBuffer& append(const char* piece, std::size_t length) { return append(std::string_view(piece, length)); }
  // The first `length` bytes of `piece` (a number written on the stack): with
  // room for the whole array, it is copied whole, in a few moves of known size,
  // and the text grows by `length`.
  template <std::size_t N>
  [[gnu::always_inline]] TextBuffer& appendFrom(const char (&piece)[N], std::size_t length) {
    if (space_.size() - size_ < N) return append(piece, length);
    std::memcpy(&space_[size_], piece, N);
    size_ += length;
    return *this;
  }
  void swap(TextBuffer& other) noexcept {
    space_.swap(other.space_);
    std::swap(size_, other.size_);
  }

 private:
  // Room for `more` bytes past the text (throws as a string does when none is left).
  [[gnu::noinline]] void grow(std::size_t more) {
    space_.resize(std::max(2 * space_.size(), std::max<std::size_t>(size_ + more, 64)));
  }

  std::string space_;  // all of it is room; the text is its first size_ bytes
  std::size_t size_ = 0;
};

}  // namespace norvik
