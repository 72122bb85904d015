// A query argument's UTF-8 bytes, read with one Node-API call when the string
// is short: its UTF-16 units are copied onto the stack and encoded here, to
// the very bytes napi_get_value_string_utf8 gives (a lone surrogate becomes
// U+FFFD). A longer string is copied by requireStringArgument.
#pragma once

#include <node_api.h>

#include <cstddef>

#include "call_frame.h"

namespace intent_bridge {

class QueryArgument {
 public:
  static constexpr std::size_t kInlineUnits = 128;

  QueryArgument() = default;
  QueryArgument(const QueryArgument&) = delete;
  QueryArgument& operator=(const QueryArgument&) = delete;

  // Reads the first argument when it is a string; otherwise throws a
  // TypeError with `message` and returns false (also when the copy failed,
  // with its exception pending), as requireStringArgument does.
  bool read(const CallArguments& args, const char* message);

  // The bytes, NUL-terminated.
  const char* c_str() const { return data_; }

 private:
  char inline_[3 * kInlineUnits + 1];  // each unit takes at most three bytes
  Utf8Argument long_;
  const char* data_ = inline_;
};

}  // namespace intent_bridge
