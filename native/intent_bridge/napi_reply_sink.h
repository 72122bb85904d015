// The sink (see reply_members.h) that sets every property with its own
// Node-API call: what the module's reply readers use when the environment's
// reply tape is lent already (a property setter that calls back into the
// module) or has no builder. A failing Node-API call leaves a pending script
// exception and the reading goes on; the script sees it when the call returns.
#pragma once

#include <napi.h>

#include <cstdint>
#include <string_view>

#include "script_string.h"

namespace intent_bridge {

class NapiReplySink {
 public:
  using Object = Napi::Object;
  using Array = Napi::Array;

  explicit NapiReplySink(napi_env env) : env_(env) {}

  Object newObject() { return Napi::Object::New(env_); }
  Array newArray() { return Napi::Array::New(env_); }

  void setNumber(Object& target, std::string_view key, double value) {
    set(target, key, Napi::Number::New(env_, value));
  }
  // Every byte, embedded NULs included.
  void setString(Object& target, std::string_view key, std::string_view bytes) {
    set(target, key, Napi::Value(env_, makeScriptString(env_, bytes)));
  }
  void setBoolean(Object& target, std::string_view key, bool value) {
    set(target, key, Napi::Boolean::New(env_, value));
  }
  void setNull(Object& target, std::string_view key) { set(target, key, env_.Null()); }
  void setObject(Object& target, std::string_view key, const Object& value) { set(target, key, value); }
  void setArray(Object& target, std::string_view key, const Array& value) { set(target, key, value); }
  void setElement(Array& target, std::uint32_t index, const Object& value) { target.Set(index, value); }

  napi_value finish(const Object& root) { return root; }

 private:
  void set(Object& target, std::string_view key, const Napi::Value& value) {
    target.Set(Napi::Value(env_, makeScriptString(env_, key)), value);
  }

  Napi::Env env_;
};

}  // namespace intent_bridge
