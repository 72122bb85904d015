// The arguments of one script call, read the same way by both modules: only the
// first few are kept, absent ones read as `undefined`, a value counts as a string
// only when its Node-API type is string (a String wrapper object does not), and
// strings are copied as UTF-8 at their full length.
#pragma once

#include <node_api.h>

#include <cstddef>
#include <string>

namespace deskpet::napi {

// The UTF-8 bytes of a string argument, NUL-terminated: held in the object
// itself when the string is short, so that reading it allocates nothing, and
// in an owned std::string otherwise. Neither copied nor moved (it may point
// into itself).
class Utf8Argument {
 public:
  // Strings of fewer UTF-16 units than this are held inline, each unit taking
  // at most three bytes.
  static constexpr std::size_t kInlineUnits = 128;
  static constexpr std::size_t kInlineBytes = 3 * kInlineUnits + 1;

  Utf8Argument() = default;
  Utf8Argument(const Utf8Argument&) = delete;
  Utf8Argument& operator=(const Utf8Argument&) = delete;

  const char* c_str() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  friend struct CallArguments;

  char inline_[kInlineBytes];  // written before it is read
  std::string heap_;
  const char* data_ = inline_;
  std::size_t size_ = 0;
};

struct CallArguments {
  static constexpr std::size_t kRead = 3;

  napi_env env = nullptr;
  std::size_t count = 0;  // what the script passed, also beyond kRead
  napi_value values[kRead] = {};
  void* data = nullptr;  // the function's native data

  // Whether argument `index` was passed and is a string.
  bool isString(std::size_t index) const;
  // Whether the first `n` arguments were passed and are strings.
  bool areStrings(std::size_t n) const;
  // Whether argument `index` was passed and is an object or a function.
  bool isObjectLike(std::size_t index) const;

  // Copies string argument `index` as UTF-8 into `text`. False when a Node-API
  // call failed and left a script exception pending. Throws std::bad_alloc when
  // the copy cannot be allocated.
  bool readUtf8(std::size_t index, std::string& text) const;
  // The same bytes into `text`: a string of fewer than
  // Utf8Argument::kInlineUnits UTF-16 units with one Node-API copy (its units,
  // encoded here as the host encodes them: a lone surrogate becomes U+FFFD)
  // and no allocation.
  bool readUtf8(std::size_t index, Utf8Argument& text) const;
};

// Reads the call information. False, with the failure pending as a script
// exception, when Node-API cannot give it.
bool readCallArguments(napi_env env, napi_callback_info info, CallArguments& args) noexcept;

}  // namespace deskpet::napi
