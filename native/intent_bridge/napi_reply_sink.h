// The sink (see reply_members.h) through which the module's reply readers make
// script values with Node-API. A failing Node-API call leaves a pending script
// exception and the reading goes on; the script sees it when the call returns.
#pragma once

#include <napi.h>

#include <cstdint>
#include <string>

namespace intent_bridge {

class NapiReplySink {
 public:
  using Object = Napi::Object;
  using Array = Napi::Array;

  explicit NapiReplySink(Napi::Env env) : env_(env) {}

  Object newObject() { return Napi::Object::New(env_); }
  Array newArray() { return Napi::Array::New(env_); }

  void setNumber(Object& target, const char* key, double value) { target.Set(key, Napi::Number::New(env_, value)); }
  // Every byte, embedded NULs included.
  void setString(Object& target, const char* key, const std::string& bytes) {
    target.Set(key, Napi::String::New(env_, bytes));
  }
  void setBoolean(Object& target, const char* key, bool value) { target.Set(key, Napi::Boolean::New(env_, value)); }
  void setNull(Object& target, const char* key) { target.Set(key, env_.Null()); }
  void setObject(Object& target, const char* key, const Object& value) { target.Set(key, value); }
  void setArray(Object& target, const char* key, const Array& value) { target.Set(key, value); }
  void setElement(Array& target, std::uint32_t index, const Object& value) { target.Set(index, value); }

 private:
  Napi::Env env_;
};

}  // namespace intent_bridge
