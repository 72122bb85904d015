#include "script_arguments.h"

namespace llm_bridge {

bool isStringArgument(const Napi::CallbackInfo& info, std::size_t index) {
  return index < info.Length() && info[index].IsString();
}

bool hasStringArguments(const Napi::CallbackInfo& info, std::size_t count) {
  if (info.Length() < count) return false;
  for (std::size_t index = 0; index < count; ++index) {
    if (!info[index].IsString()) return false;
  }
  return true;
}

bool readUtf8(const Napi::Value& value, std::string& text) {
  text = value.As<Napi::String>().Utf8Value();
  return !value.Env().IsExceptionPending();
}

}  // namespace llm_bridge
