// A heap byte buffer whose bytes start as zero and that can be resized keeping
// its contents, reporting allocation failure instead of throwing.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>

namespace intent_bridge {

class ZeroedBuffer {
 public:
  ZeroedBuffer() = default;
  ~ZeroedBuffer() { delete[] data_; }
  ZeroedBuffer(const ZeroedBuffer&) = delete;
  ZeroedBuffer& operator=(const ZeroedBuffer&) = delete;

  // Makes the buffer `size` bytes long: the old bytes that fit are kept and
  // every added byte is zero. False, with the buffer unchanged, when the
  // memory cannot be had.
  bool resize(std::size_t size) {
    char* grown = new (std::nothrow) char[size > 0 ? size : 1]();
    if (grown == nullptr) return false;
    if (data_ != nullptr) std::memcpy(grown, data_, size < size_ ? size : size_);
    delete[] data_;
    data_ = grown;
    size_ = size;
    return true;
  }

  char* data() { return data_; }
  std::size_t size() const { return size_; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace intent_bridge
