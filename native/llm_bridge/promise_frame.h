#pragma once

#include <exception>
#include <utility>

#include <napi.h>

#include "script_promise.h"

namespace llm_bridge {

// The rejection texts of a frame whose work throws: `prefix` followed by what()
// for a std::exception, `unknown` for anything else.
struct FailureTexts {
  const char* prefix;
  const char* unknown;
};

// A Promise already rejected with `reason`, a script string.
Napi::Value rejectedPromise(Napi::Env env, const char* reason) noexcept;

// Rejects with texts.prefix followed by `what`. If that text cannot be built for
// lack of memory, rejects with texts.unknown instead, so nothing escapes.
void rejectWithFailure(ScriptPromise& promise, const FailureTexts& texts, const char* what) noexcept;

// Creates a Promise, runs `work(promise)` synchronously, turns every exception
// that escapes it into a rejection, and returns the Promise, settled by then
// (`work` settles it on success). When the Promise cannot be created, nothing is
// run and the pending script exception is left for the host.
template <typename Work>
Napi::Value runPromiseFrame(Napi::Env env, const FailureTexts& texts, Work&& work) noexcept {
  ScriptPromise promise(env);
  if (!promise.created()) return Napi::Value();
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
