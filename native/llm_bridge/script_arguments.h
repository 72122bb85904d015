#pragma once

#include <cstddef>
#include <string>

#include <napi.h>

namespace llm_bridge {

// Whether at least `count` arguments were passed and the first `count` are
// strings by their Node-API type (a String wrapper object is not a string).
bool hasStringArguments(const Napi::CallbackInfo& info, std::size_t count);

// Whether argument `index` was passed and is a string.
bool isStringArgument(const Napi::CallbackInfo& info, std::size_t index);

// Reads a string value as UTF-8 into `text`, at its full length. False when the
// Node-API call failed and left a script exception pending.
bool readUtf8(const Napi::Value& value, std::string& text);

}  // namespace llm_bridge
