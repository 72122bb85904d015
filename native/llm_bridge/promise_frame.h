// The promise call frame of loadModel, generate, generateWithMediaType and chat:
// a script Promise settled from native code, created, worked on synchronously
// and settled before it is returned, with every exception of the work turned
// into a rejection string.
#pragma once

#include <node_api.h>

#include <exception>
#include <string>
#include <utility>

namespace llm_bridge {

// A script Promise together with its resolver, settled from native code.
//
// Like node-addon-api's Promise::Deferred, a failing Node-API call leaves a
// script exception pending for the host instead of raising a C++ exception; unlike
// it, the handles stay null when the Promise could not be created, so a failed
// creation can be detected and nothing undefined is handed back to the host.
class ScriptPromise {
 public:
  explicit ScriptPromise(napi_env env) noexcept;

  // False when the Promise could not be created (a script exception is pending).
  bool created() const noexcept { return promise_ != nullptr; }
  // The Promise, or null when it could not be created.
  napi_value value() const noexcept { return promise_; }

  // Settle with a script string of these UTF-8 bytes. When the string cannot be
  // made or the Promise cannot be settled, the Promise stays pending and the
  // failure is left pending as a script exception.
  void resolveWithText(const std::string& text) noexcept;
  void resolveWithBoolean(bool value) noexcept;
  void rejectWithText(const char* reason) noexcept;
  void rejectWithText(const std::string& reason) noexcept;

 private:
  void settle(napi_value value, bool resolve) noexcept;

  napi_env env_;
  napi_deferred deferred_ = nullptr;
  napi_value promise_ = nullptr;
};

// The rejection texts of a frame whose work throws: `prefix` followed by what()
// for a std::exception, `unknown` for anything else.
struct FailureTexts {
  const char* prefix;
  const char* unknown;
};

// A Promise already rejected with `reason`, a script string.
napi_value rejectedPromise(napi_env env, const char* reason) noexcept;

// Rejects with texts.prefix followed by `what`. If that text cannot be built for
// lack of memory, rejects with texts.unknown instead, so nothing escapes.
void rejectWithFailure(ScriptPromise& promise, const FailureTexts& texts, const char* what) noexcept;

// Creates a Promise, runs `work(promise)` synchronously, turns every exception
// that escapes it into a rejection, and returns the Promise, settled by then
// (`work` settles it on success). When the Promise cannot be created, nothing is
// run and the pending script exception is left for the host.
template <typename Work>
napi_value runPromiseFrame(napi_env env, const FailureTexts& texts, Work&& work) noexcept {
  ScriptPromise promise(env);
  if (!promise.created()) return nullptr;
  try {
    std::forward<Work>(work)(promise);
  } catch (const std::exception& error) {
    rejectWithFailure(promise, texts, error.what());
  } catch (...) {
    promise.rejectWithText(texts.unknown);
  }
  return promise.value();
}

}  // namespace llm_bridge
