#include "promise_frame.h"

#include <string>

namespace llm_bridge {

Napi::Value rejectedPromise(Napi::Env env, const char* reason) noexcept {
  ScriptPromise promise(env);
  promise.rejectWithText(reason);
  return promise.value();
}

void rejectWithFailure(ScriptPromise& promise, const FailureTexts& texts, const char* what) noexcept {
  std::string reason;
  try {
    reason.append(texts.prefix).append(what != nullptr ? what : "");
  } catch (...) {
    promise.rejectWithText(texts.unknown);
    return;
  }
  promise.rejectWithText(reason);
}

}  // namespace llm_bridge
