#pragma once

#include <string>

#include <napi.h>

namespace llm_bridge {

// A script Promise together with its resolver, settled from native code.
//
// Like node-addon-api's Promise::Deferred, a failing Node-API call leaves a
// script exception pending for the host instead of raising a C++ exception; unlike
// it, the handles stay null when the Promise could not be created, so a failed
// creation can be detected and nothing undefined is handed back to the host.
class ScriptPromise {
 public:
  explicit ScriptPromise(Napi::Env env) noexcept;

  // False when the Promise could not be created (a script exception is pending).
  bool created() const noexcept { return promise_ != nullptr; }
  Napi::Env env() const noexcept { return env_; }
  // The Promise, or an empty value when it could not be created.
  Napi::Value value() const noexcept;

  // Settle with a script string of these UTF-8 bytes. When the string cannot be
  // made or the Promise cannot be settled, the Promise stays pending and the
  // failure is left pending as a script exception.
  void resolveWithText(const std::string& text) noexcept;
  void resolveWithBoolean(bool value) noexcept;
  void rejectWithText(const char* reason) noexcept;
  void rejectWithText(const std::string& reason) noexcept;

 private:
  void settle(napi_value value, bool resolve) noexcept;

  Napi::Env env_;
  napi_deferred deferred_ = nullptr;
  napi_value promise_ = nullptr;
};

}  // namespace llm_bridge
