// The bytes of one unescaped string while a reply is read: held in the object
// itself up to kInlineBytes, so that the strings of a reply (a route's
// reasoning with its escaped quotes) cost no allocation, and on the heap
// beyond. Neither copied nor moved (it may point into itself).
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace intent_bridge {

class TextBuffer {
 public:
  static constexpr std::size_t kInlineBytes = 512;

  TextBuffer() = default;
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  void assign(const char* first, const char* last) {
    size_ = 0;
    append(first, last);
  }
  void append(const char* first, const char* last) {
    const auto count = static_cast<std::size_t>(last - first);
    reserve(size_ + count);
    if (count > 0) std::memcpy(data_ + size_, first, count);
    size_ += count;
  }
  TextBuffer& operator+=(char byte) {
    reserve(size_ + 1);
    data_[size_++] = byte;
    return *this;
  }

  std::string_view view() const { return std::string_view(data_, size_); }

 private:
  // Room for `size` bytes; throws std::bad_alloc as a std::string would.
  void reserve(std::size_t size) {
    if (size <= capacity_) return;
    std::size_t capacity = capacity_ * 2;
    if (capacity < size) capacity = size;
    std::unique_ptr<char[]> grown(new char[capacity]);
    std::memcpy(grown.get(), data_, size_);
    heap_ = std::move(grown);
    data_ = heap_.get();
    capacity_ = capacity;
  }

  char inline_[kInlineBytes];
  std::unique_ptr<char[]> heap_;
  char* data_ = inline_;
  std::size_t size_ = 0;
  std::size_t capacity_ = kInlineBytes;
};

}  // namespace intent_bridge
