// The arguments of one script call, read the same way by both modules: only the
// first few are kept, absent ones read as `undefined`, a value counts as a string
// only when its Node-API type is string (a String wrapper object does not), and
// strings are copied as UTF-8 at their full length.
#pragma once

#include <node_api.h>

#include <cstddef>
#include <string>

namespace deskpet::napi {

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
};

// Reads the call information. False, with the failure pending as a script
// exception, when Node-API cannot give it.
bool readCallArguments(napi_env env, napi_callback_info info, CallArguments& args) noexcept;

}  // namespace deskpet::napi
